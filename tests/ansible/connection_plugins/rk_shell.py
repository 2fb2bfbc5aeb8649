# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# The local connection under a name ansible-core does not take for local: the
# collection's tasks run their shell lines as they do through ssh, wrapped by
# _low_level_execute_command, on the control node.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

from ansible.plugins.connection.local import Connection as LocalConnection

DOCUMENTATION = r'''
name: rk_shell
short_description: The local connection as a remote one, for the tests of rk5720.lan
description:
  - Runs on the control node, as the local connection does.
author: RK5720 LAN Config developers (@rk5720-config)
extends_documentation_fragment:
  - connection_pipelining
'''


class Connection(LocalConnection):
    transport = 'rk_shell'
