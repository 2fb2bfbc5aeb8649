# The options every module of the collection passes to rk5720-cli.
from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r'''
options:
  answer_timeout:
    description:
      - How long in milliseconds the device may take to answer one command. Default the
        CLI's (500); a slow link needs more.
    type: int
  executable:
    description: The rk5720-cli program, a name looked up on the PATH or a path.
    type: str
    default: rk5720-cli
'''
