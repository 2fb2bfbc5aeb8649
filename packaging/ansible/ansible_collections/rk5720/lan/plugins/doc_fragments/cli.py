# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# The options every module of the collection passes to rk5720-cli; a module
# that means more by one (config's host and port) documents it itself.
from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r'''
options:
  host:
    description: Address or host name the device answers at.
    type: str
    required: true
  port:
    description: TCP port the device answers at.
    type: int
    default: 1024
  answer_timeout:
    description:
      - How long in milliseconds the device may take to answer one command. Default the
        CLI's (500); a slow link needs more.
    type: int
  timeout:
    description:
      - Time limit in milliseconds of a connection attempt. Default the CLI's (3000).
    type: int
  retries:
    description:
      - How many more times a failed connection is tried, 1, 2, 4, then 5 s apart. Default the
        CLI's (0).
    type: int
  executable:
    description:
      - The rk5720-cli program on the host that runs the task, a name looked up on its PATH or
        a path. Its version is checked first; an older or a foreign program fails the task
        naming both versions.
    type: str
    default: rk5720-cli
'''
