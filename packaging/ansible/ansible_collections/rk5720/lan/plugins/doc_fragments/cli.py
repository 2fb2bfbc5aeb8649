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
  executable:
    description: The rk5720-cli program, a name looked up on the PATH or a path.
    type: str
    default: rk5720-cli
'''
