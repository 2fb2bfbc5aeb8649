"""What a task reports for each kind of rk5720-cli run, as one table: the
exit code and JSON of the CLI in, the task result's telling fields out.

tst_verdicts.py COLLECTIONS_ROOT"""
import json
import os
import sys

# ansible-core's own loader, as a playbook run imports the collection.
from ansible.utils.collection_loader._collection_finder import _AnsibleCollectionFinder

_AnsibleCollectionFinder(paths=[os.path.abspath(sys.argv[1])])._install()  # pylint: disable=protected-access
# pylint: disable=wrong-import-position
from ansible_collections.rk5720.lan.plugins.plugin_utils import play_checks, verdicts  # noqa

MASK = [{'key': 'mask', 'before': '255.255.255.0', 'after': '255.255.0.0'}]
MOVED = dict(changed=False, differences=[], written=[], found_at='10.0.0.9:1025',
             now_at='10.0.0.9:1025')


def run(rc, host=None, stderr=''):
    return verdicts.CliRun(['rk5720-cli'], rc, json.dumps({'results': [host]}) if host else '',
                           stderr)


# (what, function of the run, rc, host JSON, stderr, expected fields of the result)
CASES = [
    ('nothing to change', 'config', 0, dict(changed=False, differences=[], written=[]), '',
     dict(changed=False, failed=None, unreachable=None)),
    ('written', 'config', 0, dict(changed=True, differences=MASK, written=['mask']), '',
     dict(changed=True, written=['mask'])),
    ('check mode, would change: exit 4 is no failure', 'check', 4,
     dict(changed=True, differences=MASK, written=[]), '', dict(changed=True, failed=None)),
    ('exit 4 outside check mode is a failure', 'config', 4,
     dict(changed=True, differences=MASK, written=[]), '', dict(failed=True)),
    ('moved device: where it answers now, unchanged', 'config', 0, MOVED, '',
     dict(changed=False, now_at='10.0.0.9:1025', found_at='10.0.0.9:1025')),
    ('pending restart is passed on', 'config', 0,
     dict(changed=False, differences=[], written=[], pending_restart=True), '',
     dict(changed=False, pending_restart=True)),
    ('restarted for a pending restart counts as a change', 'config', 0,
     dict(changed=True, differences=[], written=[], restarted=True), '',
     dict(changed=True, restarted=True)),
    ('refused after a write: changed and failed', 'config', 1,
     dict(changed=True, written=['ip'], error='verification failed'), '',
     dict(changed=True, failed=True, msg='h:1: verification failed')),
    ('bad value names the parameter', 'config', 2, None,
     'rk5720-cli: standard input: bad "port" "0": expected 1..65535\n',
     dict(failed=True, parameter='device_port', msg='bad device_port "0": expected 1..65535')),
    ('bad option names the parameter', 'config', 2, None,
     'rk5720-cli: bad --retries "200": expected 0..100\n',
     dict(failed=True, parameter='retries')),
    ('unreachable: no rc, else ansible-core counts it failed', 'config', 3,
     dict(error='cannot connect: connection refused', exit_code=3), '',
     dict(unreachable=True, failed=None, rc=None,
          msg='unreachable: h:1: cannot connect: connection refused')),
    ('JSON nobody understands fails, never "unchanged"', 'config', 0, None, '',
     dict(failed=True)),
    ('another exit code is named', 'config', 9, None, 'odd\n',
     dict(failed=True, msg='h:1: rk5720-cli ended with 9: odd')),
    ('facts', 'facts', 0, dict(config={'ip': '10.0.0.9', 'port': 1025}, version='1.00A'), '',
     dict(changed=False, config={'ip': '10.0.0.9', 'device_port': 1025})),
    ('facts of a silent device', 'facts', 3, dict(error='no answer', exit_code=3), '',
     dict(unreachable=True)),
    ('firmware the device holds', 'compare', 0, dict(same=True), '',
     dict(changed=False, same=True)),
    ('firmware that differs', 'compare', 1, dict(same=False, error='versions differ'), '',
     dict(same=False, difference='versions differ')),
    ('a bad image names image', 'compare', 2, None, 'rk5720-cli: x.bin: not an image\n',
     dict(failed=True, parameter='image')),
    ('a failed upload changed the device', 'upgrade', 1, dict(error='block 3 refused'), '',
     dict(changed=True, failed=True, upgraded=False)),
    ('an upload', 'upgrade', 0, dict(version='2.00B', blocks=20), '',
     dict(changed=True, upgraded=True, version='2.00B')),
]


def judge(kind, cli_run):
    if kind in ('config', 'check'):
        return verdicts.config_result(cli_run, 'h:1', kind == 'check', False)
    if kind == 'facts':
        return verdicts.facts_result(cli_run, 'h:1', 'h', 1)
    if kind == 'compare':
        return verdicts.compare_result(cli_run, 'h:1')[0]
    return verdicts.upgrade_result(cli_run, 'h:1', dict(upgraded=False))


# (what, rc of --version, its output, expected words of the problem or None)
VERSIONS = [
    ('current', 0, 'rk5720-cli 1.0.0.1\n', None),
    ('newer', 0, 'rk5720-cli 1.2\n', None),
    ('older: both versions named', 0, 'rk5720-cli 0.9.0\n', ['0.9.0', '1.0.0.1 or later']),
    ('foreign program', 0, 'frobnicate 3.1\n', ['is not rk5720-cli', 'frobnicate 3.1']),
    ('not installed', 127, '', ['is not found', 'rk5720-cli package']),
]

# (what, this host's endpoint, the others', expected parameter or None)
CONFLICTS = [
    ('same address and port', ('10.0.0.5:1024', None), [('b', ('10.0.0.5:1024', None))], 'ip'),
    ('same address, other port', ('10.0.0.5:1024', None), [('b', ('10.0.0.5:1025', None))],
     None),
    ('same MAC', ('10.0.0.5:1024', '02-00-00-00-00-01'),
     [('b', ('10.0.0.6:1024', '02-00-00-00-00-01'))], 'mac'),
    ('no MAC given', ('10.0.0.5:1024', None), [('b', ('10.0.0.6:1024', None))], None),
]

# (what, the argument, the other host's vars, what the play-wide check takes)
TEMPLATED = [
    ('a lone variable', '{{ want_ip }}', dict(want_ip='10.0.0.7'), '10.0.0.7'),
    ('a variable that holds a template', '{{ want_ip }}',
     dict(want_ip='{{ net }}.8', net='10.0.0'), '10.0.0.8'),
    ('a filter', '{{ want_ip | default("10.0.0.9") }}', {}, '10.0.0.9'),
    ('a number', '{{ want_port }}', dict(want_port=1025), 1025),
    ('a plain value', '10.0.0.10', {}, '10.0.0.10'),
]


def templated_failures():
    from ansible.parsing.dataloader import DataLoader
    from ansible.template import Templar
    failures = []
    for what, value, variables, expected in TEMPLATED:
        templar = Templar(loader=DataLoader(), variables=variables)
        got = play_checks.templated_value(templar, variables, value)
        if str(got) != str(expected):
            failures.append('templated %s: %r' % (what, got))
    return failures


def main():
    failures = []
    for what, kind, rc, host, stderr, expected in CASES:
        result = judge(kind, run(rc, host, stderr))
        wrong = dict((k, result.get(k)) for k, v in expected.items() if result.get(k) != v)
        if wrong:
            failures.append('%s: expected %s, got %s' % (what, expected, wrong))
    for what, rc, out, words in VERSIONS:
        problem = verdicts.version_problem('rk5720-cli', rc, out, 'jump')
        if (problem is None) != (words is None) or any(w not in problem for w in words or []):
            failures.append('version %s: %s' % (what, problem))
    for what, mine, others, parameter in CONFLICTS:
        found = play_checks.conflict(mine, others)
        if (found[1] if found else None) != parameter:
            failures.append('conflict %s: %s' % (what, found))
    # Endpoints: the values wanted, else where the task reaches the device.
    if play_checks.endpoint(dict(host='h', port=1025, mac='02:00:00:00:00:0a')) != \
            ('h:1025', '02-00-00-00-00-0A'):
        failures.append('endpoint without ip/device_port')
    failures += templated_failures()
    for failure in failures:
        print('FAIL: ' + failure)
    count = len(CASES) + len(VERSIONS) + len(CONFLICTS) + len(TEMPLATED) + 1
    print('%d passed, %d failed' % (count - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
