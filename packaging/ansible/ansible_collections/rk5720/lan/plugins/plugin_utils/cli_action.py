# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# What the collection's action plugins share: their options, and rk5720-cli
# run on the task's host through its connection (so delegate_to and jump hosts
# work), with no module shipped and no Python started there.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import shlex
import subprocess

from ansible.module_utils.common.text.converters import to_bytes, to_text
from ansible.plugins.action import ActionBase
from ansible_collections.rk5720.lan.plugins.plugin_utils.run_files import once_a_run
from ansible_collections.rk5720.lan.plugins.plugin_utils.verdicts import (
    CliRun, version_problem)

# Where a table's temporary file goes on the command line.
TABLE_FILE = '\0table'

# What every task needs to reach one device from the machine that runs it.
CONNECTION_SPEC = dict(
    host=dict(type='str', required=True),
    port=dict(type='int', default=1024),
    answer_timeout=dict(type='int'),
    timeout=dict(type='int'),
    retries=dict(type='int'),
    executable=dict(type='str', default='rk5720-cli'),
)


class CliAction(ActionBase):
    TRANSFERS_FILES = False
    _VALID_ARGS = frozenset()
    # Filled by each plugin: its options beyond CONNECTION_SPEC.
    SPEC = {}
    REQUIRED_ONE_OF = None
    WITH_CONNECTION = True

    def run(self, tmp=None, task_vars=None):
        result = super(CliAction, self).run(tmp, task_vars)
        spec = dict(CONNECTION_SPEC) if self.WITH_CONNECTION else dict(
            (k, v) for k, v in CONNECTION_SPEC.items() if k not in ('host', 'port'))
        spec.update(self.SPEC)
        validation, params = self.validate_argument_spec(argument_spec=spec,
                                                         required_one_of=self.REQUIRED_ONE_OF)
        del validation
        self.params = params
        self.task_vars = task_vars or {}
        problem = self.check_version_once()
        if problem:
            result.update(failed=True, msg=problem, parameter='executable')
            return result
        result.update(self.perform())
        return result

    @staticmethod
    def quoted(text):
        return shlex.quote(text)

    def runs_locally(self):
        return self._connection.transport == 'local'

    def where(self):
        if self.runs_locally():
            return 'the control node'
        return self._play_context.remote_addr or 'the host that runs the task'

    def target(self):
        return '%s:%d' % (self.params['host'], self.params['port'])

    def shell(self, command, data=None):
        """rc, stdout and stderr of a shell line on the task's host."""
        if data is not None:
            data = data.encode('utf-8')
        if self.runs_locally():
            # The local connection runs the line with its own shell: without
            # the second shell and the 'sleep 0' (an ssh mitigation) that
            # _low_level_execute_command adds, two processes less a task.
            self._connection.cwd = to_bytes(self._loader.get_basedir(),
                                            errors='surrogate_or_strict')
            rc, stdout, stderr = self._connection.exec_command(command, in_data=data,
                                                               sudoable=False)
            return (rc, to_text(stdout, errors='surrogate_then_replace'),
                    to_text(stderr, errors='surrogate_then_replace'))
        done = self._low_level_execute_command(command, sudoable=False, in_data=data)
        return done.get('rc'), done.get('stdout', ''), done.get('stderr', '')

    def execute(self, argv, data=None):
        """rc, stdout and stderr of one program on the task's host. On the
        control node it is started as the local connection would start it,
        in the playbook's folder, but without a shell: a process less."""
        if not self.runs_locally():
            return self.shell(' '.join(shlex.quote(a) for a in argv), data)
        try:
            done = subprocess.run(argv, input=None if data is None else data.encode('utf-8'),
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  cwd=self._loader.get_basedir(), check=False)
        except OSError as error:
            # As the shell says it: 127 not found, 126 not runnable.
            rc = 127 if isinstance(error, FileNotFoundError) else 126
            return rc, '', '%s: %s\n' % (argv[0], error.strerror)
        return (done.returncode, to_text(done.stdout, errors='surrogate_then_replace'),
                to_text(done.stderr, errors='surrogate_then_replace'))

    def check_version(self):
        """Before anything reaches a device: an old or foreign program would
        read the options otherwise."""
        executable = self.params['executable']
        rc, stdout = self.execute([executable, '--version'])[:2]
        return version_problem(executable, rc, stdout, self.where())

    def check_version_once(self):
        """check_version once a run for each program on each host that runs
        tasks; the hosts that wait for the first answer take it. A bad answer
        is not kept: the next task may come after an install."""
        executable = self.params['executable']
        if self.runs_locally():
            where = ('local', executable)
        else:
            context = self._play_context
            where = (self._connection.transport, context.remote_addr, context.port,
                     context.remote_user, executable)
        return once_a_run('cli-version', where, self.check_version,
                          keep=lambda problem: problem is None)

    def connection_options(self, with_pause=True):
        options = []
        for parameter, option in (('answer_timeout', '--answer-timeout'),
                                  ('timeout', '--timeout'), ('retries', '--retries'),
                                  ('restart_pause', '--restart-pause')):
            if parameter == 'restart_pause' and not with_pause:
                continue
            if self.params.get(parameter) is not None:
                options += [option, str(self.params[parameter])]
        return options

    def cli(self, command, arguments, data=None, table=False):
        """One rk5720-cli run with --json. With `table` the data is a CSV
        table: it goes into a temporary file on the task's host, given to the
        CLI in place of the argument TABLE_FILE."""
        argv = [self.params['executable'], command, '--json'] + arguments
        if table:
            line = ' '.join('"$f"' if a == TABLE_FILE else shlex.quote(a) for a in argv)
            line = ('f=$(mktemp --suffix=.csv) || exit 2; cat >"$f"; %s; rc=$?; rm -f "$f"; '
                    'exit $rc' % line)
            rc, stdout, stderr = self.shell(line, data=data)
        else:
            rc, stdout, stderr = self.execute(argv, data)
        return CliRun(argv, rc, stdout, stderr)
