# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# Turns one finished rk5720-cli run into a task result: the CLI speaks the
# protocol, this only translates its verdicts. Pure functions, so the mapping
# is tested without a playbook.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import re

EXIT_DONE = 0
EXIT_REFUSED = 1
EXIT_USAGE = 2
EXIT_UNREACHABLE = 3
# apply --check: some host would change and none failed.
EXIT_WOULD_CHANGE = 4
# The shell's "command not found".
EXIT_NOT_FOUND = 127

# The oldest rk5720-cli whose options and JSON these plugins know.
MINIMUM_VERSION = '1.0.0.1'

# The configuration keys of the CLI's JSON and the task parameters that hold
# them, in the order a device lists them. The device's port is `device_port`:
# `port` is the one the task connects to.
CONFIG_PARAMETERS = (
    ('ip', 'ip'),
    ('mask', 'mask'),
    ('port', 'device_port'),
    ('gw', 'gateway'),
    ('mac', 'mac'),
    ('byte_order', 'byte_order'),
    ('speed', 'speed'),
)
PARAMETER_OF_KEY = dict(CONFIG_PARAMETERS)

# The CLI's options, by the task parameter they come from.
PARAMETER_OF_OPTION = {
    'ip': 'ip',
    'mask': 'mask',
    'port': 'device_port',
    'gw': 'gateway',
    'mac': 'mac',
    'byte-order': 'byte_order',
    'speed': 'speed',
    'answer-timeout': 'answer_timeout',
    'restart-pause': 'restart_pause',
    'timeout': 'timeout',
    'retries': 'retries',
}

# Fields of the CLI's host JSON a config task passes on as they are.
PASSED_ON = ('now_at', 'found_at', 'pending_restart', 'version', 'date')


class CliRun(object):
    """One finished run of rk5720-cli with --json."""

    def __init__(self, argv, rc, stdout, stderr):
        self.argv = argv
        self.rc = rc
        self.stdout = stdout or ''
        self.stderr = stderr or ''
        self.document = None
        try:
            self.document = json.loads(self.stdout) if self.stdout.strip() else None
        except ValueError:
            pass
        results = self.document.get('results') if isinstance(self.document, dict) else None
        self.hosts = [h for h in results if isinstance(h, dict)] if isinstance(results, list) else []
        self.host = self.hosts[0] if self.hosts else {}

    def message(self):
        """The CLI's own words for what went wrong."""
        if self.host.get('error'):
            return self.host['error']
        lines = [line[len('rk5720-cli: '):] for line in self.stderr.splitlines()
                 if line.startswith('rk5720-cli: ') and 'warning: ' not in line]
        if lines:
            return '; '.join(lines)
        if self.stderr.strip():
            return self.stderr.strip()
        return 'rk5720-cli exited with %d' % self.rc


def version_tuple(text):
    return tuple(int(part) for part in text.split('.'))


def version_problem(executable, rc, stdout, where, minimum=MINIMUM_VERSION):
    """None when `executable --version` named a recent enough rk5720-cli,
    else the message that says what was found and what is needed."""
    need = 'the rk5720.lan collection needs rk5720-cli %s or later' % minimum
    if rc == EXIT_NOT_FOUND:
        return ('executable: %s is not found on %s; install the rk5720-cli package there or '
                'give its path (%s)' % (executable, where, need))
    first = (stdout or '').strip().splitlines()[:1]
    match = re.match(r'^rk5720-cli (\d+(?:\.\d+)*)$', first[0].strip()) if first else None
    if rc != 0 or not match:
        return ('executable: %s on %s is not rk5720-cli: its --version answered %r (%s)'
                % (executable, where, first[0] if first else 'nothing', need))
    if version_tuple(match.group(1)) < version_tuple(minimum):
        return ('executable: %s on %s is rk5720-cli %s; %s'
                % (executable, where, match.group(1), need))
    return None


def parameter_in_message(message):
    """The task parameter a CLI usage message names, and the message in the
    task's words: 'standard input: bad "port" "0": ...' becomes
    'bad device_port "0": ...'."""
    for source in ('standard input: ', '-: '):
        if message.startswith(source):
            message = message[len(source):]
    if re.search(r'\bbad port in host\b', message):
        return 'port', message
    if re.search(r'\bbad host\b', message):
        return 'host', message
    match = re.search(r'"([a-z_]+)"', message)
    if match and match.group(1) in PARAMETER_OF_KEY and re.search(
            r'\bbad "|" must be\b', message):
        name = PARAMETER_OF_KEY[match.group(1)]
        return name, message[:match.start()] + name + message[match.end():]
    match = re.search(r'--([a-z-]+)', message)
    if match and match.group(1) in PARAMETER_OF_OPTION:
        name = PARAMETER_OF_OPTION[match.group(1)]
        return name, message[:match.start()] + name + message[match.end():]
    return None, message


def failure(run, target, parameter=None, **result):
    """The task result of a run that did not succeed: 2 names the bad
    parameter, 3 makes the host unreachable, anything else is the device's
    refusal."""
    message = run.message()
    result.setdefault('changed', False)
    result.update(rc=run.rc, cmd=run.argv, stderr=run.stderr)
    if run.host:
        result['cli_result'] = run.host
    if run.rc == EXIT_USAGE:
        named, message = parameter_in_message(message)
        parameter = named or parameter
        if parameter:
            result['parameter'] = parameter
        return dict(result, failed=True, msg=message)
    if run.rc == EXIT_UNREACHABLE:
        # A result with a nonzero rc is failed to ansible-core, never unreachable.
        del result['rc']
        return dict(result, unreachable=True, msg='unreachable: %s: %s' % (target, message))
    if run.rc not in (EXIT_DONE, EXIT_REFUSED, EXIT_WOULD_CHANGE):
        message = 'rk5720-cli ended with %d: %s' % (run.rc, message)
    return dict(result, failed=True, msg='%s: %s' % (target, message))


def value_of_parameter(parameter, value):
    """The CLI's differences hold texts; the port is a number, as in a configuration."""
    if parameter == 'device_port' and isinstance(value, str) and value.isdigit():
        return int(value)
    return value


def config_by_parameter(config):
    """A configuration of the CLI's JSON under the task's parameter names."""
    if not isinstance(config, dict):
        return {}
    return dict((PARAMETER_OF_KEY[key], value) for key, value in config.items()
                if key in PARAMETER_OF_KEY)


def difference(cli_difference):
    parameter = PARAMETER_OF_KEY.get(cli_difference.get('key'), cli_difference.get('key'))
    return dict(parameter=parameter,
                before=value_of_parameter(parameter, cli_difference.get('before')),
                after=value_of_parameter(parameter, cli_difference.get('after')))


def diff_text(config):
    return ''.join('%s: %s\n' % (parameter, config[parameter])
                   for parameter in PARAMETER_OF_KEY.values() if parameter in config)


def apply_host_result(host, check_mode):
    """One device of an apply run, under the task's names."""
    result = dict(
        differences=[difference(d) for d in host.get('differences') or []],
        before=config_by_parameter(host.get('before')),
        after=config_by_parameter(host.get('after')),
        written=[PARAMETER_OF_KEY.get(key, key) for key in host.get('written') or []],
        restarted=bool(host.get('restarted')),
    )
    for field in PASSED_ON:
        if host.get(field):
            result[field] = host[field]
    # What was written stays written even when the check after it fails; in
    # check mode the CLI's "changed" means "would change".
    result['changed'] = bool(result['written']) or bool(host.get('changed'))
    if check_mode:
        result['changed'] = bool(result['differences']) or bool(host.get('changed'))
    return result


def apply_ok(run, host, check_mode):
    """Whether an apply run ended well for this device."""
    if host.get('error'):
        return False
    return run.rc == EXIT_DONE or (check_mode and run.rc == EXIT_WOULD_CHANGE)


def config_result(run, target, check_mode, diff):
    """The result of a config task from its apply run."""
    result = dict(changed=False)
    if run.host:
        result.update(apply_host_result(run.host, check_mode))
    if not run.host or not apply_ok(run, run.host, check_mode):
        if check_mode:
            result['changed'] = False
        return failure(run, target, **result)
    if diff:
        result['diff'] = dict(before=diff_text(result['before']),
                              after=diff_text(result['after']), before_header=target,
                              after_header=result.get('now_at', target))
    return result


def facts_result(run, target, host, port):
    if run.rc != EXIT_DONE or not run.host:
        return failure(run, target)
    config = config_by_parameter(run.host.get('config'))
    version = run.host.get('version')
    date = run.host.get('date')
    facts = dict(config, version=version, date=date, host=host, port=port)
    return dict(changed=False, config=config, version=version, date=date,
                ansible_facts=dict(rk5720_lan=facts))


def compare_result(run, target):
    """(result, upgrade needed) of a firmware task's compare run. A missing
    image counts as one the device does not hold: that is what check mode
    says before the image is staged."""
    result = dict(changed=False, upgraded=False)
    if run.rc == EXIT_DONE and run.host.get('same') is True:
        return dict(result, same=True), False
    # Refused with "same" false: another version, other bytes or another length.
    if run.rc == EXIT_REFUSED and run.host.get('same') is False:
        return dict(result, same=False, difference=run.host.get('error')), True
    return failure(run, target, parameter='image' if run.rc == EXIT_USAGE else None,
                   **result), False


def upgrade_result(run, target, result):
    # Blocks may have gone out before a failure: the device is not what it was.
    result = dict(result, changed=run.rc != EXIT_USAGE)
    if run.rc != EXIT_DONE:
        return failure(run, target, parameter='image' if run.rc == EXIT_USAGE else None,
                       **result)
    result['upgraded'] = True
    for field in ('version', 'date', 'blocks'):
        if field in run.host:
            result[field] = run.host[field]
    return result


def fleet_result(run, check_mode, names):
    """The result of a fleet task: one entry per device in the order given,
    a summary line, and failed when any device failed."""
    by_target = dict(('%s:%s' % (h.get('host'), h.get('port')), h) for h in run.hosts)
    devices = []
    for name, target in names:
        host = by_target.get(target)
        if host is None:
            entry = dict(name=name, target=target, failed=True,
                         msg='%s: %s' % (target, run.message()))
        else:
            # The run's code is the worst of all hosts: each host's own error judges it.
            entry = dict(apply_host_result(host, check_mode), name=name, target=target)
            if host.get('error'):
                entry.update(failed=True, msg='%s: %s' % (target, host['error']))
                if host.get('exit_code') == EXIT_UNREACHABLE:
                    entry['unreachable'] = True
        devices.append(entry)
    failed = [d for d in devices if d.get('failed')]
    changed = [d for d in devices if d.get('changed') and not d.get('failed')]
    summary = '%d devices: %d changed, %d unchanged, %d failed' % (
        len(devices), len(changed), len(devices) - len(changed) - len(failed), len(failed))
    result = dict(changed=bool(changed) or any(d.get('written') for d in devices),
                  devices=devices, summary=summary, exit_code=run.rc)
    if run.rc not in (EXIT_DONE, EXIT_WOULD_CHANGE) and not failed:
        # The run as a whole was refused (a bad table): nothing was sent.
        message = parameter_in_message(run.message())[1]
        return dict(result, failed=True, msg=message)
    if failed:
        result.update(failed=True, msg='%s; %s' % (summary, '; '.join(d['msg'] for d in failed)))
    else:
        result['msg'] = summary
    return result
