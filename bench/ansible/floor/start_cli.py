# A config action that only starts the task's rk5720-cli once (--version): the
# least any plugin that runs the program on the task's host can cost.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import subprocess

from ansible.plugins.action import ActionBase


class ActionModule(ActionBase):
    def run(self, tmp=None, task_vars=None):
        result = super(ActionModule, self).run(tmp, task_vars)
        done = subprocess.run([self._task.args['executable'], '--version'],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
        result.update(changed=False, failed=done.returncode != 0)
        return result
