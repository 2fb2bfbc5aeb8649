# A config action that does nothing: what ansible-core itself spends on a task
# of an action plugin, before any of the collection's work.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible.plugins.action import ActionBase


class ActionModule(ActionBase):
    def run(self, tmp=None, task_vars=None):
        result = super(ActionModule, self).run(tmp, task_vars)
        result.update(changed=False)
        return result
