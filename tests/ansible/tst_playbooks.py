"""The rk5720.lan collection against simulators on loopback: a check-mode run
that writes nothing, a real run that restarts devices to new addresses, a
second run without change, a bad value that fails one host while the others
go on, firmware installed once, unreachable devices, the README's fleet
playbook, and the documentation.

tst_playbooks.py CLI SIM SAMPLE_IMAGE COLLECTION VERSION README"""
import json
import os
import re
import subprocess
import sys
import tarfile
import tempfile
import threading

import yaml

import readme_fleet
from ansible_fleet import Ansible, Fleet, free_port

failed = []
passed = []
shown = set()
lock = threading.Lock()


def check(condition, what, run=None):
    with lock:
        if condition:
            passed.append(what)
            return
        failed.append(what)
        print('FAIL: ' + what)
        # The playbook's own account, once.
        if run is not None and id(run) not in shown:
            shown.add(id(run))
            print(run.output)


def cli_read(cli, address, port):
    done = subprocess.run([cli, 'read', '--json', '%s:%d' % (address, port)],
                          stdout=subprocess.PIPE, universal_newlines=True)
    results = json.loads(done.stdout)['results'] if done.stdout else [{}]
    return results[0].get('config', {})


def check_documentation(ansible, collection, version):
    modules = ('config', 'firmware', 'facts')
    done = ansible.run(['ansible-doc'] + ['rk5720.lan.' + name for name in modules])
    check(done.returncode == 0 and 'WARNING' not in done.stderr,
          'ansible-doc renders the modules: ' + done.stderr)
    for name, option in zip(modules, ('device_port', 'image', 'rk5720_lan')):
        check('> RK5720.LAN.%s ' % name.upper() in done.stdout and option in done.stdout,
              'ansible-doc shows rk5720.lan.%s with %s' % (name, option))

    # Galaxy's versions are semantic: the package's first three parts.
    semantic = '.'.join(version.split('.')[:3])
    done = ansible.run(['ansible-galaxy', 'collection', 'build', collection, '--output-path',
                        ansible.work])
    built = os.path.join(ansible.work, 'rk5720-lan-%s.tar.gz' % semantic)
    check(done.returncode == 0 and os.path.exists(built),
          'ansible-galaxy builds %s: %s%s' % (built, done.stdout, done.stderr))
    if os.path.exists(built):
        with tarfile.open(built) as archive:
            names = archive.getnames()
        check({'MANIFEST.json', 'LICENSE', 'plugins/modules/config.py',
               'plugins/action/config.py', 'plugins/action/firmware.py',
               'plugins/action/facts.py', 'plugins/action/fleet.py',
               'plugins/plugin_utils/verdicts.py'} <= set(names)
              and not any('__pycache__' in name for name in names),
              'the built collection holds the modules and nothing compiled: %s' % names)


def config_fleet(fleet):
    """Servers to configure: two move, one stays, one gets a bad value."""
    ports = dict((name, fleet.start(address)) for name, address in
                 (('a', '127.0.0.131'), ('b', '127.0.0.132'), ('c', '127.0.0.133'),
                  ('d', '127.0.0.134')))
    a_port = free_port('127.0.0.141')
    servers = {
        'moved_a': dict(rk5720_host='127.0.0.131', rk5720_port=ports['a'],
                        want_ip='127.0.0.141', want_device_port=a_port,
                        want_mac='02-00-00-00-00-41'),
        'moved_b': dict(rk5720_host='127.0.0.132', rk5720_port=ports['b'],
                        want_ip='127.0.0.142', want_gateway='127.0.0.1',
                        want_byte_order='3-2-1-0', want_speed=3),
        # The speed it already has is no difference.
        'stays_c': dict(rk5720_host='127.0.0.133', rk5720_port=ports['c'],
                        want_mask='255.255.0.0', want_speed='Auto'),
        'bad_d': dict(rk5720_host='127.0.0.134', rk5720_port=ports['d'],
                      want_mask='255.255.0.0', want_device_port=70000),
    }
    expected = {
        'moved_a': (('127.0.0.141', a_port), {'ip': '127.0.0.141', 'device_port': a_port,
                                              'mac': '02-00-00-00-00-41'}),
        'moved_b': (('127.0.0.142', ports['b']),
                    {'ip': '127.0.0.142', 'gateway': '127.0.0.1', 'byte_order': '3-2-1-0',
                     'speed': '100 Mbit/s full duplex'}),
        'stays_c': (('127.0.0.133', ports['c']), {'mask': '255.255.0.0'}),
    }
    return servers, expected


def check_config(ansible, cli, servers, expected):
    inventory = ansible.inventory(servers, rk5720_cli=cli)

    def differences(result):
        return dict((d['parameter'], d['after']) for d in result.get('differences', []))

    def check_bad_value(run):
        status, result = run.result('Apply the configuration', 'bad_d')
        check(status == 'failed' and result.get('parameter') == 'device_port' and
              'device_port' in result.get('msg', '') and result.get('rc') == 2,
              'a bad device_port fails its host naming the parameter: %s' % result, run)
        check(run.recap.get('bad_d', {}).get('failures') == 1 and
              all(run.recap.get(name, {}).get('failures') == 0 for name in expected),
              'the other hosts go on: %s' % run.recap, run)

    run = ansible.playbook('config.yml', inventory, '--check', '--diff')
    for name, (_, values) in expected.items():
        status, result = run.result('Apply the configuration', name)
        after = result.get('diff', {}).get('after', '')
        check(status == 'ok' and result.get('changed') and differences(result) == values and
              all('%s: %s\n' % item in after for item in values.items()) and
              not result.get('written'),
              'check mode reports the differences of %s: %s' % (name, result), run)
        status, facts = run.result('Read it there', name)
        before = facts.get('ansible_facts', {}).get('rk5720_lan', {})
        check(before.get('ip') == servers[name]['rk5720_host'] and
              before.get('mask') == '255.255.255.0',
              'check mode wrote nothing to %s: %s' % (name, before), run)
    check_bad_value(run)

    run = ansible.playbook('config.yml', inventory)
    for name, ((address, port), values) in expected.items():
        status, result = run.result('Apply the configuration', name)
        check(status == 'ok' and result.get('changed') and result.get('restarted') and
              result.get('now_at') == '%s:%d' % (address, port) and
              sorted(result.get('written', [])) == sorted(values),
              'the real run writes %s and follows it to its new address: %s' % (name, result),
              run)
        status, facts = run.result('Read it there', name)
        after = facts.get('ansible_facts', {}).get('rk5720_lan', {})
        check(status == 'ok' and all(after.get(k) == v for k, v in values.items()),
              'the facts of %s show its new values: %s' % (name, after), run)
        read = cli_read(cli, address, port)
        check(read.get('ip') == address and read.get('port') == port,
              '%s answers at %s:%d: %s' % (name, address, port, read))
    check_bad_value(run)

    del servers['bad_d']
    for name, ((address, port), _) in expected.items():
        servers[name].update(rk5720_host=address, rk5720_port=port)
    run = ansible.playbook('config.yml', ansible.inventory(servers, rk5720_cli=cli))
    check(run.rc == 0 and run.changed_hosts() == [] and len(run.recap) == 3,
          'a second run changes nothing: %s' % run.recap, run)


def firmware_fleet(fleet):
    """Servers to upgrade: two old ones, one that refuses, one that is not there."""
    servers = dict((name, dict(rk5720_host=address, rk5720_port=fleet.start(address, *faults)))
                   for name, address, faults in
                   (('old_e', '127.0.0.151', ()), ('old_f', '127.0.0.152', ()),
                    ('refuses_g', '127.0.0.153', ('--upgrade-fail',))))
    # Nothing listens there.
    servers['gone_h'] = dict(rk5720_host='127.0.0.154', rk5720_port=free_port('127.0.0.154'))
    return servers


def check_firmware(ansible, cli, servers, image):
    # Through a connection that is not the local one: shell lines as over ssh.
    inventory = ansible.inventory(servers, rk5720_cli=cli, image=image,
                                  ansible_connection='rk_shell')
    task = 'Install the image where the device holds another'

    def check_gone(run):
        status, result = run.result(task, 'gone_h')
        check(status == 'unreachable' and result.get('unreachable') is True and
              result.get('msg', '').startswith('unreachable: 127.0.0.154:') and
              run.recap.get('gone_h', {}).get('unreachable') == 1,
              'a device that is not there is unreachable in the recap: %s' % result, run)

    run = ansible.playbook('firmware.yml', inventory, '--check')
    for name in ('old_e', 'old_f', 'refuses_g'):
        status, result = run.result(task, name)
        check(status == 'ok' and result.get('changed') and not result.get('upgraded') and
              'versions differ' in result.get('difference', ''),
              'check mode says %s would be upgraded: %s' % (name, result), run)
    check_gone(run)
    compare = subprocess.run([cli, 'compare', image, '127.0.0.151:%d' %
                              servers['old_e']['rk5720_port']], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    check(compare.returncode == 1, 'check mode uploaded nothing')

    run = ansible.playbook('firmware.yml', inventory)
    for name in ('old_e', 'old_f'):
        status, result = run.result(task, name)
        check(status == 'ok' and result.get('changed') and result.get('upgraded') and
              result.get('version') == '2.00B',
              'the real run upgrades %s: %s' % (name, result), run)
    status, result = run.result(task, 'refuses_g')
    check(status == 'failed' and 'refused to install' in result.get('msg', '') and
          result.get('rc') == 1, 'a refused install fails with the CLI\'s message: %s' % result,
          run)
    check_gone(run)

    del servers['refuses_g'], servers['gone_h']
    run = ansible.playbook('firmware.yml', ansible.inventory(servers, rk5720_cli=cli, image=image,
                                                             ansible_connection='rk_shell'))
    check(run.rc == 0 and run.changed_hosts() == [] and
          all(run.result(task, name)[1].get('upgraded') is False for name in servers),
          'a second run uploads nothing: %s' % run.recap, run)


def check_fleet_and_conflicts(ansible, cli, fleet_ports):
    """The site task in check mode and for real; two hosts of a play that
    would end at one address both fail with nothing written; an old CLI is
    named with the version needed."""
    (p1, p2) = fleet_ports
    devices = [dict(name='one', host='127.0.0.161', port=p1, mask='255.255.0.0'),
               dict(name='two', host='127.0.0.162', port=p2, speed=3)]
    localhost = dict(localhost=dict(site_devices=devices))
    inventory = ansible.inventory(localhost, rk5720_cli=cli)
    task = 'Apply the site\'s table'
    run = ansible.playbook('fleet.yml', inventory, '--check')
    status, result = run.result(task, 'localhost')
    check(status == 'ok' and result.get('changed') and
          [d.get('name') for d in result.get('devices', [])] == ['one', 'two'] and
          cli_read(cli, '127.0.0.161', p1).get('mask') == '255.255.255.0',
          'the site task in check mode lists each device and writes nothing: %s' % result, run)
    run = ansible.playbook('fleet.yml', inventory)
    status, result = run.result(task, 'localhost')
    check(status == 'ok' and result.get('summary') == '2 devices: 2 changed, 0 unchanged, 0 failed'
          and cli_read(cli, '127.0.0.161', p1).get('mask') == '255.255.0.0',
          'the site task writes every device in one run: %s' % result, run)
    run = ansible.playbook('fleet.yml', inventory)
    status, result = run.result(task, 'localhost')
    check(status == 'ok' and not result.get('changed'),
          'the site task again changes nothing: %s' % result, run)

    twins = dict((name, dict(rk5720_host=host, rk5720_port=port, want_ip='127.0.0.170',
                             want_device_port=4100))
                 for name, host, port in (('twin_1', '127.0.0.161', p1),
                                          ('twin_2', '127.0.0.162', p2)))
    run = ansible.playbook('config.yml', ansible.inventory(twins, rk5720_cli=cli))
    for name in twins:
        status, result = run.result('Apply the configuration', name)
        check(status == 'failed' and result.get('parameter') == 'ip' and
              '127.0.0.170:4100' in result.get('msg', ''),
              'two hosts ending at one address both fail: %s' % result, run)
    check(cli_read(cli, '127.0.0.161', p1).get('ip') == '127.0.0.161' and
          cli_read(cli, '127.0.0.162', p2).get('ip') == '127.0.0.162',
          'nothing was written to the twins')

    old = os.path.join(ansible.work, 'old-cli')
    with open(old, 'w') as script:
        script.write('#!/bin/sh\necho "rk5720-cli 0.9.0"\n')
    os.chmod(old, 0o755)
    one = dict(one=dict(rk5720_host='127.0.0.161', rk5720_port=p1, want_mask='255.0.0.0'))
    missing = os.path.join(ansible.work, 'no-such-dir', 'rk5720-cli')
    for executable, words, what in [
            (old, ['0.9.0', '1.0.0.1 or later'], 'an old rk5720-cli is named with the version needed'),
            (missing, ['is not found', 'rk5720-cli package'], 'a missing rk5720-cli is named')]:
        run = ansible.playbook('config.yml', ansible.inventory(one, rk5720_cli=executable))
        status, result = run.result('Apply the configuration', 'one')
        check(status == 'failed' and result.get('parameter') == 'executable' and
              all(w in result.get('msg', '') for w in words), '%s: %s' % (what, result), run)


def check_reruns(ansible, cli, ports):
    """A renumbering run again with the same inventory is green and unchanged
    (the device is found where it moved); a port written without a restart
    is pending (the device still answers at the old one), and the same task with restart restarts the device."""
    (p1, p2) = ports
    moved_port = free_port('127.0.0.181')
    servers = dict(renumbered=dict(rk5720_host='127.0.0.171', rk5720_port=p1,
                                   want_ip='127.0.0.181', want_device_port=moved_port,
                                   want_mac='02-00-00-00-00-81'),
                   pending=dict(rk5720_host='127.0.0.172', rk5720_port=p2,
                                want_device_port=free_port('127.0.0.172'), want_restart=False))
    inventory = ansible.inventory(servers, rk5720_cli=cli)
    task = 'Apply the configuration'
    for options, what in ((('--check', '--diff'), 'check-diff'), ((), 'real')):
        run = ansible.playbook('config.yml', inventory, *options)
        check(run.rc == 0, 'the renumbering play, %s: %s' % (what, run.recap), run)
    run = ansible.playbook('config.yml', inventory)
    status, result = run.result(task, 'renumbered')
    check(run.rc == 0 and not result.get('changed') and
          result.get('now_at') == '127.0.0.181:%d' % moved_port,
          'the third run with the same inventory is green and unchanged: %s' % result, run)
    status, result = run.result(task, 'pending')
    check(status == 'ok' and result.get('pending_restart') is True and not result.get('changed'),
          'a value written without a restart is pending: %s' % result, run)
    servers['pending']['want_restart'] = True
    run = ansible.playbook('config.yml', ansible.inventory(servers, rk5720_cli=cli))
    status, result = run.result(task, 'pending')
    check(status == 'ok' and result.get('restarted') and result.get('changed'),
          'restart: true restarts a device with a pending restart: %s' % result, run)


# What each server of the README holds before the first run: (the playbook's
# image, the site's gateway). Fewer restarts, and each kind of task both ways.
README_READY = {'north-boiler': (False, False), 'north-pumps': (True, True),
                'south-boiler': (False, True), 'south-mill': (True, False)}


def readme_site(fleet, work, cli, sample_image, readme):
    """The README's inventory and playbook: its addresses 10.X on loopback as
    127.X, a simulator at each server's, the jump hosts local connections; the
    playbook as it is, but for module_defaults: this build's rk5720-cli for the
    collection's group, and the simulators' short restart."""
    folder = os.path.join(work, 'readme')
    os.makedirs(os.path.join(folder, 'files'))
    os.makedirs(os.path.join(work, 'jump'))
    # The simulators' own image size: one started with its version holds it.
    subprocess.run([sample_image, os.path.join(folder, 'files', 'rk5720-2.00B.bin'), '2.00B',
                    '05.06.26', '41083'], check=True)
    inventory_file, site_file = readme_fleet.write(readme, folder)
    with open(inventory_file) as text:
        inventory = yaml.safe_load(text)

    def loopback(values):
        return dict((k, re.sub(r'^10\.', '127.', v) if isinstance(v, str) else v)
                    for k, v in values.items())
    servers = {}
    for site in inventory['all']['children']['rk5720']['children'].values():
        site['vars'] = loopback(site['vars'])
        for name, host in site['hosts'].items():
            host.update(loopback(host))
            image_ready, gateway_ready = README_READY[name]
            host['rk5720_port'] = fleet.start(host['rk5720_host'], *(
                ('--device-version', '2.00B', '--device-date', '05.06.26') if image_ready else ()))
            servers[name] = dict(site['vars'], **host)
            if gateway_ready:
                subprocess.run([cli, 'write', '--gw', site['vars']['gateway'], '%s:%d' % (
                    host['rk5720_host'], host['rk5720_port'])], check=True, stdout=subprocess.DEVNULL)
    inventory['all']['children']['jumps']['vars'] = dict(ansible_connection='local')
    inventory['all']['vars'] = dict(ansible_python_interpreter='{{ ansible_playbook_python }}')
    with open(inventory_file, 'w') as out:
        json.dump(inventory, out, indent=1)
    with open(site_file) as text:
        plays = yaml.safe_load(text)
    plays[0]['module_defaults'] = {'group/rk5720.lan.rk5720': dict(executable=cli),
                                   'rk5720.lan.config': dict(restart_pause=300),
                                   'rk5720.lan.firmware': dict(restart_pause=300)}
    with open(site_file, 'w') as out:
        json.dump(plays, out, indent=1)
    return servers, inventory_file, site_file, os.path.join(work, 'jump', 'rk5720-2.00B.bin')


def check_readme_site(ansible, cli, servers, inventory, site, staged):
    """The README's playbook in check-diff mode, for real, and again with the
    same inventory: green each time, and the third run changes nothing."""
    moved = servers['north-boiler']
    moved_at = '%s:%d' % (moved['want_ip'], moved['rk5720_port'])
    staging = ('-e', 'image=' + staged)
    run = ansible.playbook(site, inventory, '--check', '--diff', *staging)
    for name, (_, gateway_ready) in README_READY.items():
        config = run.result('Network parameters', name)[1]
        check(run.rc == 0 and config.get('changed') == (not gateway_ready) and
              ('diff' in config) and not config.get('written') and
              'not staged yet' in run.result('Firmware', name)[1].get('msg', ''),
              'the README playbook in check-diff mode: %s: %s' % (name, config), run)
    check(not os.path.exists(staged) and cli_read(cli, moved['rk5720_host'], moved[
        'rk5720_port']).get('gw') == '127.0.0.254', 'check-diff mode staged and wrote nothing')

    run = ansible.playbook(site, inventory, *staging)
    for name, (image_ready, gateway_ready) in README_READY.items():
        config = run.result('Network parameters', name)[1]
        check(run.rc == 0 and config.get('changed') == (not gateway_ready) and
              run.result('Firmware', name)[1].get('upgraded') == (not image_ready) and
              run.result('Read it back', name)[1].get('config', {}).get('gateway') ==
              servers[name]['gateway'],
              'the README playbook for real: %s: %s' % (name, config), run)
    check(run.result('Network parameters', 'north-boiler')[1].get('now_at') == moved_at,
          'the README playbook follows north-boiler to %s' % moved_at, run)

    run = ansible.playbook(site, inventory, *staging)
    check(run.rc == 0 and run.changed_hosts() == [] and len(run.recap) == len(servers) and
          run.result('Network parameters', 'north-boiler')[1].get('found_at') == moved_at,
          'the README playbook again with the same inventory is green and changes nothing: %s'
          % run.recap, run)


def main():
    cli, sim, sample_image, collection = (os.path.abspath(a) for a in sys.argv[1:5])
    version, readme = sys.argv[5], os.path.abspath(sys.argv[6])
    collections = os.path.dirname(os.path.dirname(os.path.dirname(collection)))
    with tempfile.TemporaryDirectory(prefix='rk5720-ansible-') as work, Fleet(sim) as fleet:
        ansible = Ansible(work, collections)
        image = os.path.join(work, 'rk5720-2.00B.bin')
        subprocess.run([sample_image, image, '2.00B', '05.06.26', '20000'], check=True)
        # Started here: a simulator ends with the thread that started it.
        configured = config_fleet(fleet)
        upgraded = firmware_fleet(fleet)
        site = (fleet.start('127.0.0.161'), fleet.start('127.0.0.162'))
        again = (fleet.start('127.0.0.171'), fleet.start('127.0.0.172'))
        readme_fleet_run = readme_site(fleet, work, cli, sample_image, readme)
        # The two fleets wait on their devices at different times: side by side.
        threads = [threading.Thread(target=check_documentation,
                                    args=(ansible, collection, version)),
                   threading.Thread(target=check_config, args=(ansible, cli) + configured),
                   threading.Thread(target=check_firmware, args=(ansible, cli, upgraded, image)),
                   threading.Thread(target=check_fleet_and_conflicts, args=(ansible, cli, site)),
                   threading.Thread(target=check_reruns, args=(ansible, cli, again)),
                   threading.Thread(target=check_readme_site,
                                    args=(ansible, cli) + readme_fleet_run)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
    print('%d passed, %d failed' % (len(passed), len(failed)))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
