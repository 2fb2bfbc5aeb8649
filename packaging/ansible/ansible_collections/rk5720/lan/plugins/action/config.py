# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# rk5720.lan.config: rk5720-cli apply on the task's host, which writes only
# what differs; the documentation is the module's.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

from ansible.errors import AnsibleActionFail
from ansible_collections.rk5720.lan.plugins.plugin_utils.cli_action import CliAction
from ansible_collections.rk5720.lan.plugins.plugin_utils.play_checks import play_conflicts
from ansible_collections.rk5720.lan.plugins.plugin_utils.verdicts import (
    CONFIG_PARAMETERS, PARAMETER_OF_KEY, config_result)

VALUE_SPEC = dict(
    ip=dict(type='str'),
    mask=dict(type='str'),
    gateway=dict(type='str'),
    device_port=dict(type='int'),
    mac=dict(type='str'),
    byte_order=dict(type='raw'),
    speed=dict(type='raw'),
)


def wanted_config(params):
    """The values given, as the CLI's configuration JSON: a table's item by
    its text or by its index."""
    config = {}
    for key, parameter in CONFIG_PARAMETERS:
        value = params.get(parameter)
        if value is None:
            continue
        if isinstance(value, bool) or not isinstance(value, (int, str)):
            raise AnsibleActionFail('%s: expected a text or an index, not %r'
                                    % (parameter, value), result=dict(parameter=parameter))
        config[key] = value
    return config


class ActionModule(CliAction):
    SPEC = dict(VALUE_SPEC, restart=dict(type='bool', default=False),
                restart_pause=dict(type='int'))
    REQUIRED_ONE_OF = [list(PARAMETER_OF_KEY.values())]

    def perform(self):
        wanted = wanted_config(self.params)
        conflicts = play_conflicts(self, self.task_vars)
        if conflicts:
            return dict(failed=True, changed=False, msg=conflicts[0], parameter=conflicts[1])
        arguments = ['-'] + self.connection_options()
        if self._task.check_mode:
            arguments.append('--check')
        if self.params['restart']:
            arguments.append('--restart')
        arguments += ['--', self.target()]
        run = self.cli('apply', arguments, data=json.dumps(wanted))
        result = config_result(run, self.target(), self._task.check_mode, self._task.diff)
        result.update(host=self.params['host'], port=self.params['port'])
        return result
