"""Simulators on loopback addresses and ansible-playbook runs against them, for
the rk5720.lan collection's test and its benchmark."""
import ctypes
import itertools
import json
import os
import signal
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PR_SET_PDEATHSIG = 1


def _die_with_parent():
    # A simulator that outlived a killed test would hold its network namespace.
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def free_port(address):
    with socket.socket() as probe:
        probe.bind((address, 0))
        return probe.getsockname()[1]


def wait_listening(address, port, seconds=10.0):
    deadline = time.monotonic() + seconds
    while True:
        try:
            with socket.create_connection((address, port), timeout=1):
                return
        except OSError:
            if time.monotonic() > deadline:
                raise AssertionError('no simulator listens on %s:%d' % (address, port))
            time.sleep(0.02)


class Fleet:
    """rk5720-sim processes, ended together whatever happens."""

    def __init__(self, sim):
        self.sim = sim
        self.processes = []

    def start(self, address, *faults):
        port = free_port(address)
        argv = [self.sim, '--listen', '%s:%d' % (address, port), '--quiet', '--restart-delay',
                '200', '--idle-timeout', '0'] + list(faults)
        self.processes.append(subprocess.Popen(argv, stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL,
                                               preexec_fn=_die_with_parent))
        wait_listening(address, port)
        return port

    def stop(self):
        for process in self.processes:
            process.terminate()
        for process in self.processes:
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        self.processes = []

    def __enter__(self):
        # ctest ends a test that overruns with SIGTERM: the simulators go too.
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
        return self

    def __exit__(self, *_):
        self.stop()


class PlaybookRun:
    def __init__(self, rc, output, record):
        self.rc = rc
        self.output = output
        self.results = record.get('results', [])
        self.recap = record.get('recap', {})

    def result(self, task, host):
        """(status, result) of one task on one host; (None, {}) when it did not run."""
        for entry in self.results:
            if entry['task'] == task and entry['host'] == host:
                return entry['status'], entry['result']
        return None, {}

    def changed_hosts(self):
        return sorted(host for host, stats in self.recap.items() if stats.get('changed'))


class Ansible:
    """ansible-playbook with the collection from the source tree and nothing
    from the user's or the system's configuration."""

    def __init__(self, work, collections, forks=5):
        self.work = work
        config = os.path.join(work, 'ansible.cfg')
        open(config, 'w').close()
        self.env = dict(os.environ)
        self.env.update(
            ANSIBLE_CONFIG=config,
            ANSIBLE_HOME=os.path.join(work, 'ansible-home'),
            ANSIBLE_LOCAL_TEMP=os.path.join(work, 'ansible-tmp'),
            ANSIBLE_REMOTE_TEMP=os.path.join(work, 'ansible-remote-tmp'),
            ANSIBLE_COLLECTIONS_PATH=collections,
            ANSIBLE_COLLECTIONS_SCAN_SYS_PATH='False',
            ANSIBLE_CALLBACK_PLUGINS=os.path.join(HERE, 'callback_plugins'),
            ANSIBLE_CONNECTION_PLUGINS=os.path.join(HERE, 'connection_plugins'),
            ANSIBLE_CALLBACKS_ENABLED='rk_record',
            ANSIBLE_FORKS=str(forks),
            # Modules go to the Python that runs them through its standard
            # input: no temporary files, fewer processes per task.
            ANSIBLE_PIPELINING='True',
            ANSIBLE_NOCOLOR='1',
            ANSIBLE_RETRY_FILES_ENABLED='False',
            ANSIBLE_LOCALHOST_WARNING='False',
            ANSIBLE_DEPRECATION_WARNINGS='False',
            # The tree the collection comes from stays as it is.
            PYTHONDONTWRITEBYTECODE='1',
        )
        self.ids = itertools.count(1)

    def inventory(self, hosts, **variables):
        """A YAML inventory (written as JSON, which YAML reads) of devices that
        the control node reaches itself (by default through the local connection)."""
        variables.setdefault('ansible_connection', 'local')
        variables.update(ansible_python_interpreter='{{ ansible_playbook_python }}')
        path = os.path.join(self.work, 'inventory-%d.yml' % next(self.ids))
        with open(path, 'w') as out:
            json.dump({'all': {'vars': variables, 'children': {'servers': {'hosts': hosts}}}},
                      out, indent=1)
        return path

    def playbook(self, playbook, inventory, *options):
        record = os.path.join(self.work, 'record-%d.json' % next(self.ids))
        env = dict(self.env, RK_RECORD_FILE=record)
        started = time.monotonic()
        done = subprocess.run(['ansible-playbook', '-i', inventory] + list(options) +
                              [os.path.join(HERE, playbook)], env=env, cwd=self.work,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              universal_newlines=True, stdin=subprocess.DEVNULL)
        print('%s %s: %.1f s' % (playbook, ' '.join(options), time.monotonic() - started))
        recorded = {}
        if os.path.exists(record):
            with open(record) as data:
                recorded = json.load(data)
        return PlaybookRun(done.returncode, done.stdout, recorded)

    def run(self, argv):
        return subprocess.run(argv, env=self.env, cwd=self.work, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, universal_newlines=True,
                              stdin=subprocess.DEVNULL)
