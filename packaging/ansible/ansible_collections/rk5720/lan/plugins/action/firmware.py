# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# rk5720.lan.firmware: rk5720-cli compare, and upgrade only where the device
# holds another image.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible_collections.rk5720.lan.plugins.plugin_utils.cli_action import CliAction
from ansible_collections.rk5720.lan.plugins.plugin_utils.verdicts import (
    compare_result, upgrade_result)


class ActionModule(CliAction):
    SPEC = dict(image=dict(type='path', required=True), restart_pause=dict(type='int'))

    def perform(self):
        image = self.params['image']
        target = self.target()
        if self._task.check_mode:
            # An image a copy task would stage in the same check run is not
            # there yet: the device would be upgraded to it.
            rc = self.shell('test -f %s' % self.quoted(image))[0]
            if rc != 0:
                return dict(changed=True, upgraded=False, same=False,
                            msg='would upgrade: %s is not staged yet' % image)
        compare = self.cli('compare', self.connection_options(with_pause=False) +
                           ['--', image, target])
        result, needed = compare_result(compare, target)
        if not needed or self._task.check_mode:
            if needed:
                result.update(changed=True, msg='would upgrade')
            return result
        upgrade = self.cli('upgrade', self.connection_options() + ['--', image, target])
        return upgrade_result(upgrade, target, result)
