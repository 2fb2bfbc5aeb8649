"""A playbook over many simulators against one rk5720-cli run doing the same
work: reading every server, and setting a mask with a restart.

bench_fleet.py CLI SIM COLLECTIONS [SERVERS [FORKS]]   (inside unshare --net)
Prints `figure: value unit` lines."""
import os
import resource
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'tests', 'ansible'))

from ansible_fleet import Ansible, Fleet  # noqa: E402


def timed(what):
    started = time.monotonic()
    result = what()
    return time.monotonic() - started, result


def cpu_of(what):
    """CPU seconds (user and system) of the processes `what` runs and waits for."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    result = what()
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime), result


def start_servers(fleet, count):
    """Inventory hosts of `count` simulators, each on an address of its own."""
    servers = {}
    for index in range(count):
        address = '127.0.0.%d' % (160 + index)
        servers['server%02d' % index] = dict(rk5720_host=address,
                                             rk5720_port=fleet.start(address))
    return servers


def site_group(inventory):
    """The inventory with its one host in the group `site`."""
    with open(inventory) as data:
        text = data.read()
    with open(inventory, 'w') as out:
        out.write(text.replace('"servers"', '"site"'))
    return inventory


def main():
    cli, sim, collections = (os.path.abspath(a) for a in sys.argv[1:4])
    count = int(sys.argv[4]) if len(sys.argv) > 4 else 16
    forks = int(sys.argv[5]) if len(sys.argv) > 5 else count
    with tempfile.TemporaryDirectory(prefix='rk5720-bench-') as work, Fleet(sim) as fleet:
        servers = start_servers(fleet, count)
        targets = ['%s:%d' % (s['rk5720_host'], s['rk5720_port']) for s in servers.values()]
        ansible = Ansible(work, collections, forks=forks)
        jobs = ['--jobs', str(count)]

        def playbook(name, tasks=True, **variables):
            inventory = ansible.inventory(servers, rk5720_cli=cli, **variables)
            run = ansible.playbook(os.path.join(HERE, name), inventory)
            if run.rc != 0 or len(run.recap) != (count if tasks else 0):
                sys.exit('playbook %s failed:\n%s' % (name, run.output))
            return run

        def cli_run(*arguments, data=None):
            done = subprocess.run([cli] + list(arguments), input=data, universal_newlines=True,
                                  stdout=subprocess.DEVNULL)
            if done.returncode != 0:
                sys.exit('rk5720-cli %s failed' % arguments[0])

        seconds, _ = timed(lambda: playbook('read.yml'))
        print('ansible_read_%d_servers_forks_%d: %.2f s' % (count, forks, seconds))
        seconds, _ = timed(lambda: cli_run('read', '--json', *(jobs + targets)))
        print('cli_read_%d_servers_jobs_%d: %.2f s' % (count, count, seconds))
        seconds, run = timed(lambda: playbook('mask.yml', mask='255.255.0.0'))
        if len(run.changed_hosts()) != count:
            sys.exit('not every server changed:\n' + run.output)
        print('ansible_apply_restart_%d_servers_forks_%d: %.2f s' % (count, forks, seconds))
        seconds, _ = timed(lambda: cli_run('apply', '-', '--json', '--restart', '--restart-pause',
                                           '300', *(jobs + targets),
                                           data='{"mask": "255.255.255.0"}'))
        print('cli_apply_restart_%d_servers_jobs_%d: %.2f s' % (count, count, seconds))

        # A config task with nothing to change against the engine's ping, per
        # host; each the least of three runs, taken in turns, as other work
        # on the machine only ever adds.
        runs = dict((name, []) for name in ('nochange.yml', 'ping.yml', 'empty.yml'))
        for _ in range(3):
            for name, cpus in runs.items():
                cpus.append(cpu_of(lambda: playbook(name, tasks=name != 'empty.yml'))[0])
        config_cpu, ping_cpu, empty_cpu = (min(cpus) for cpus in runs.values())
        print('ansible_config_unchanged_cpu_per_host: %.3f s' % (config_cpu / count))
        print('ansible_ping_cpu_per_host: %.3f s' % (ping_cpu / count))
        print('ansible_empty_playbook_cpu_per_host: %.3f s' % (empty_cpu / count))
        print('config_unchanged_against_ping: %.2f x' % (config_cpu / ping_cpu))
        # Without what every playbook costs once (the engine's start, the inventory).
        print('config_unchanged_against_ping_per_task: %.2f x' %
              ((config_cpu - empty_cpu) / (ping_cpu - empty_cpu)))

        # The site task: every server in one rk5720-cli apply table run.
        devices = [dict(host=s['rk5720_host'], port=s['rk5720_port'], mask='255.255.0.0')
                   for s in servers.values()]
        site = ansible.inventory({'localhost': dict(site_devices=devices)}, rk5720_cli=cli)
        site = site_group(site)
        seconds, run = timed(lambda: ansible.playbook(os.path.join(HERE, 'site.yml'), site))
        if run.rc != 0 or not run.recap.get('localhost', {}).get('changed'):
            sys.exit('site task failed:\n' + run.output)
        print('ansible_site_task_%d_servers: %.2f s' % (count, seconds))
        table = os.path.join(work, 'site.csv')
        with open(table, 'w') as out:
            out.write('host,mask\n' + ''.join('%s,255.255.255.0\n' % t for t in targets))
        seconds, _ = timed(lambda: cli_run('apply', table, '--json'))
        print('cli_apply_table_%d_servers: %.2f s' % (count, seconds))


if __name__ == '__main__':
    main()
