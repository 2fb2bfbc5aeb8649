# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# rk5720.lan.facts: rk5720-cli read on the task's host; the facts belong to
# the device's host even when the task is delegated.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible_collections.rk5720.lan.plugins.plugin_utils.cli_action import CliAction
from ansible_collections.rk5720.lan.plugins.plugin_utils.verdicts import facts_result


class ActionModule(CliAction):

    def perform(self):
        run = self.cli('read', self.connection_options() + ['--', self.target()])
        return facts_result(run, self.target(), self.params['host'], self.params['port'])
