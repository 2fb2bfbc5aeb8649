# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# rk5720.lan.fleet: a site's devices through one rk5720-cli apply table run,
# which checks the whole table (no two devices at one address or MAC) before
# it writes anything and works on many devices at once.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import csv
import io

from ansible.errors import AnsibleActionFail
from ansible_collections.rk5720.lan.plugins.action.config import VALUE_SPEC, wanted_config
from ansible_collections.rk5720.lan.plugins.plugin_utils.cli_action import (
    TABLE_FILE, CliAction)
from ansible_collections.rk5720.lan.plugins.plugin_utils.verdicts import (
    PARAMETER_OF_KEY, fleet_result)

DEVICE_SPEC = dict(VALUE_SPEC, name=dict(type='str'), host=dict(type='str', required=True),
                   port=dict(type='int', default=1024))


def table_text(devices):
    """The CSV table of apply: a header row, then HOST:PORT and the values
    wanted, an empty cell where a value stays."""
    out = io.StringIO()
    writer = csv.writer(out, lineterminator='\n')
    writer.writerow(['host'] + list(PARAMETER_OF_KEY))
    for device in devices:
        wanted = wanted_config(device)
        writer.writerow(['%s:%d' % (device['host'], device['port'])] +
                        [wanted.get(key, '') for key in PARAMETER_OF_KEY])
    return out.getvalue()


class ActionModule(CliAction):
    WITH_CONNECTION = False
    SPEC = dict(devices=dict(type='list', elements='dict', required=True, options=DEVICE_SPEC),
                restart=dict(type='bool', default=False), restart_pause=dict(type='int'))

    def perform(self):
        devices = self.params['devices']
        if not devices:
            raise AnsibleActionFail('devices: the list is empty', result=dict(parameter='devices'))
        arguments = [TABLE_FILE] + self.connection_options()
        if self._task.check_mode:
            arguments.append('--check')
        if self.params['restart']:
            arguments.append('--restart')
        run = self.cli('apply', arguments, data=table_text(devices), table=True)
        names = [(d.get('name') or '%s:%d' % (d['host'], d['port']),
                  '%s:%d' % (d['host'], d['port'])) for d in devices]
        return fleet_result(run, self._task.check_mode, names)
