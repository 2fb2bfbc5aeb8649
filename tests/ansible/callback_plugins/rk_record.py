# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# Records every task result and the recap of a playbook run as JSON, for the
# tests to judge; ansible-core ships no JSON callback of its own.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os

from ansible.plugins.callback import CallbackBase

DOCUMENTATION = r'''
name: rk_record
type: notification
short_description: Writes the task results and the recap to the file RK_RECORD_FILE names
description:
  - For the tests of the rk5720.lan collection.
requirements:
  - enabled in callbacks_enabled
'''


class CallbackModule(CallbackBase):
    CALLBACK_VERSION = 2.0
    CALLBACK_TYPE = 'notification'
    CALLBACK_NAME = 'rk_record'
    CALLBACK_NEEDS_ENABLED = True

    def __init__(self):
        super(CallbackModule, self).__init__()
        self.results = []

    def _record(self, status, result):
        self.results.append(dict(task=result._task.get_name(), host=result._host.get_name(),
                                 status=status, result=self._clean(result._result)))

    @staticmethod
    def _clean(result):
        return dict((key, value) for key, value in result.items()
                    if not key.startswith('_ansible'))

    def v2_runner_on_ok(self, result):
        self._record('ok', result)

    def v2_runner_on_failed(self, result, ignore_errors=False):
        self._record('failed', result)

    def v2_runner_on_unreachable(self, result):
        self._record('unreachable', result)

    def v2_runner_on_skipped(self, result):
        self._record('skipped', result)

    def v2_playbook_on_stats(self, stats):
        recap = dict((host, stats.summarize(host)) for host in sorted(stats.processed))
        with open(os.environ['RK_RECORD_FILE'], 'w') as record:
            json.dump(dict(results=self.results, recap=recap), record, default=str, indent=1)
