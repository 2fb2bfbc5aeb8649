# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# Runs rk5720-cli for the modules of this collection and turns its verdicts
# into task results: one implementation of the protocol, the CLI's.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os
import re

from ansible.module_utils.six import string_types

EXIT_DONE = 0
EXIT_REFUSED = 1
EXIT_USAGE = 2
EXIT_UNREACHABLE = 3

# What every module needs to reach one device from the machine that runs the task.
CONNECTION_ARGS = dict(
    host=dict(type='str', required=True),
    port=dict(type='int', default=1024),
    answer_timeout=dict(type='int'),
    executable=dict(type='str', default='rk5720-cli'),
)

# The configuration keys of the CLI's JSON and the module parameters that hold
# them, in the order a device lists them. The device's port is `device_port`
# here: `port` is the one the task connects to.
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

# The CLI's options the modules pass, by the parameter they come from.
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
}


def target_text(module):
    return '%s:%d' % (module.params['host'], module.params['port'])


def common_options(module):
    options = []
    if module.params['answer_timeout'] is not None:
        options += ['--answer-timeout', str(module.params['answer_timeout'])]
    if module.params.get('restart_pause') is not None:
        options += ['--restart-pause', str(module.params['restart_pause'])]
    return options


def find_executable(module):
    name = module.params['executable']
    if os.sep in name:
        if os.path.isfile(name) and os.access(name, os.X_OK):
            return name
        module.fail_json(msg='executable: %s is not an executable file' % name,
                         parameter='executable')
    found = module.get_bin_path(name)
    if not found:
        module.fail_json(msg='executable: %s is not on the PATH of the machine that runs the '
                             'task; install the rk5720-config package there or give its path'
                             % name, parameter='executable')
    return found


class CliRun(object):
    """One finished run of rk5720-cli with --json."""

    def __init__(self, argv, rc, stdout, stderr):
        self.argv = argv
        self.rc = rc
        self.stdout = stdout
        self.stderr = stderr
        self.document = None
        try:
            self.document = json.loads(stdout) if stdout.strip() else None
        except ValueError:
            pass
        results = self.document.get('results') if isinstance(self.document, dict) else None
        self.host = results[0] if isinstance(results, list) and results else {}

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


def run_cli(module, command, arguments, data=None):
    argv = [find_executable(module), command, '--json'] + arguments
    # A list, never a shell string: hosts and paths reach the CLI as they are.
    rc, stdout, stderr = module.run_command(argv, data=data, check_rc=False)
    return CliRun(argv, rc, stdout, stderr)


def parameter_in_message(message):
    """The module parameter a CLI usage message names, and the message in the
    module's words: 'standard input: bad "port" "0": ...' becomes
    'bad device_port "0": ...'."""
    # The standard input the values came through is no file of the user's.
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


def fail_run(module, run, parameter=None, **result):
    """Ends the task with the CLI's verdict: 2 names the bad parameter, 3 says
    the device could not be reached, anything else is the device's refusal."""
    message = run.message()
    result.setdefault('changed', False)
    result.update(rc=run.rc, cmd=run.argv, stderr=run.stderr)
    if run.host:
        result['cli_result'] = run.host
    where = target_text(module)
    if run.rc == EXIT_USAGE:
        named, message = parameter_in_message(message)
        parameter = named or parameter
        if parameter:
            result['parameter'] = parameter
        module.fail_json(msg=message, **result)
    if run.rc == EXIT_UNREACHABLE:
        # A module cannot mark its host unreachable; it says so instead.
        module.fail_json(msg='unreachable: %s: %s' % (where, message), unreachable=True, **result)
    module.fail_json(msg='%s: %s' % (where, message), **result)


def value_of_parameter(parameter, value):
    """The CLI's differences hold texts; the port is a number, as in a configuration."""
    if parameter == 'device_port' and isinstance(value, string_types) and value.isdigit():
        return int(value)
    return value


def config_by_parameter(config):
    """A configuration of the CLI's JSON under the module's parameter names."""
    if not isinstance(config, dict):
        return {}
    return dict((PARAMETER_OF_KEY[key], value) for key, value in config.items()
                if key in PARAMETER_OF_KEY)
