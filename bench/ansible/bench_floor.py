"""Where a config task's CPU goes, against ansible.builtin.ping over the same
servers: the real task, the real plugin with a shell script in place of
rk5720-cli, a plugin that only starts rk5720-cli once, and one that does
nothing at all. Each per host and per task (less the empty playbook).

bench_floor.py CLI SIM COLLECTIONS [SERVERS [ROUNDS]]   (inside unshare --net)
Prints `figure: value unit` lines."""
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'tests', 'ansible'))

from ansible_fleet import Ansible, Fleet  # noqa: E402
from bench_fleet import cpu_of, start_servers  # noqa: E402

# Answers as rk5720-cli does for a device that already holds every value:
# the script puts the device's address and port in.
CONFIG = dict(byte_order='1-0-3-2', gw='127.0.0.254', ip='@HOST@', mac='00-1A-2B-3C-4D-5E',
              mask='255.255.255.0', port='@PORT@', speed='Auto')
ANSWER = dict(check=False, command='apply', exit_code=0, results=[dict(
    after=CONFIG, before=CONFIG, changed=False, date='01.02.08', differences=[], error=None,
    exit_code=0, host='@HOST@', pending_restart=False, port='@PORT@', restarted=False,
    version='1.00A', written=[])])


def stand_in_script(version):
    """A shell script that answers as rk5720-cli `version` would."""
    answer = json.dumps(ANSWER).replace('"@PORT@"', '%s').replace('@HOST@', '%s')
    return ('#!/bin/sh\n'
            '[ "$1" = --version ] && { echo \'%s\'; exit 0; }\n'
            'cat >/dev/null\n'
            'for target; do :; done\n'
            'host=${target%%:*}; port=${target##*:}\n'
            'printf \'%s\\n\' "$host" "$port" "$host" "$port" "$host" "$port"\n'
            % (version, answer))


def collection_with(work, collections, name, plugin):
    """A copy of the collections folder whose config action is `plugin`."""
    copy = os.path.join(work, name)
    shutil.copytree(collections, copy, ignore=shutil.ignore_patterns('__pycache__'))
    shutil.copy(os.path.join(HERE, 'floor', plugin),
                os.path.join(copy, 'ansible_collections', 'rk5720', 'lan', 'plugins', 'action',
                             'config.py'))
    return copy


def main():
    cli, sim, collections = (os.path.abspath(a) for a in sys.argv[1:4])
    count = int(sys.argv[4]) if len(sys.argv) > 4 else 8
    rounds = int(sys.argv[5]) if len(sys.argv) > 5 else 5
    with tempfile.TemporaryDirectory(prefix='rk5720-bench-') as work, Fleet(sim) as fleet:
        servers = start_servers(fleet, count)
        stand_in = os.path.join(work, 'stand-in-cli')
        version = subprocess.run([cli, '--version'], stdout=subprocess.PIPE, check=True,
                                 universal_newlines=True).stdout.strip()
        with open(stand_in, 'w') as out:
            out.write(stand_in_script(version))
        os.chmod(stand_in, 0o755)
        # name: (collections, CLI, playbook)
        cases = {
            'empty_playbook': (collections, cli, 'empty.yml'),
            'ping': (collections, cli, 'ping.yml'),
            'config_unchanged': (collections, cli, 'nochange.yml'),
            'config_with_stand_in_cli': (collections, stand_in, 'nochange.yml'),
            'plugin_starting_cli_once': (
                collection_with(work, collections, 'start', 'start_cli.py'), cli, 'nochange.yml'),
            'plugin_doing_nothing': (collection_with(work, collections, 'nothing', 'nothing.py'),
                                     cli, 'nochange.yml'),
        }
        cpus = dict((name, []) for name in cases)
        # Taken in turns, the least of each: other work on the machine only adds.
        for _ in range(rounds):
            for name, (folder, program, book) in cases.items():
                ansible = Ansible(work, folder, forks=count)
                inventory = ansible.inventory(servers, rk5720_cli=program)
                seconds, run = cpu_of(lambda: ansible.playbook(os.path.join(HERE, book),
                                                               inventory))
                if run.rc != 0 or len(run.recap) != (0 if book == 'empty.yml' else count):
                    sys.exit('%s failed:\n%s' % (name, run.output))
                cpus[name].append(seconds / count)
        least = dict((name, min(values)) for name, values in cpus.items())
        empty = least['empty_playbook']
        ping_task = least['ping'] - empty
        for name, cpu in least.items():
            print('%s_cpu_per_host: %.3f s' % (name, cpu))
        for name, cpu in least.items():
            if name not in ('empty_playbook', 'ping'):
                print('%s_against_ping_per_task: %.2f x' % (name, (cpu - empty) / ping_task))


if __name__ == '__main__':
    main()
