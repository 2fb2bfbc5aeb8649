# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# The documentation of rk5720.lan.facts; its action plugin does the work.
# Reads an RK5720 LAN communication server's configuration through
# rk5720-cli read, as facts for reports and conditions.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: facts
short_description: Read the configuration of an RK5720 LAN communication server as facts
description:
  - Reads the device's nine parameters, its software version and its date
    (C(rk5720-cli read)) and returns them as the fact C(rk5720_lan) of the host the task is
    for, and as return values.
  - Runs on the machine that runs the task (the control node, or a delegate of the device's
    site that has the rk5720-cli package); with C(delegate_to) the facts still belong to
    the device's host.
version_added: 1.0.0
author: RK5720 LAN Config developers (@rk5720-config)
extends_documentation_fragment:
  - rk5720.lan.cli
notes:
  - Runs C(rk5720-cli) on the task's host through its connection, each argument quoted for its shell.
  - A device that cannot be reached makes its host unreachable, with a message that starts
    with C(unreachable:).
attributes:
  check_mode:
    support: full
    description: Reads in check mode too; it never changes anything.
  diff_mode:
    support: none
    description: Nothing is shown as a difference.
  facts:
    support: full
    description: The configuration, the version and the date as the fact C(rk5720_lan).
'''

EXAMPLES = r'''
- name: Read every server
  rk5720.lan.facts:
    host: "{{ rk5720_host }}"
  delegate_to: "{{ site_delegate }}"

- name: Report the servers that still run old firmware
  ansible.builtin.debug:
    msg: "{{ inventory_hostname }} runs {{ rk5720_lan.version }} of {{ rk5720_lan.date }}"
  when: rk5720_lan.version != '2.00B'
'''

RETURN = r'''
config:
  description: The configuration, by the parameter names of M(rk5720.lan.config).
  returned: success
  type: dict
  sample: {"ip": "10.20.0.30", "mask": "255.255.255.0", "device_port": 1024,
           "gateway": "10.20.0.1", "mac": "00-1A-2B-3C-4D-5E", "byte_order": "1-0-3-2",
           "speed": "Auto"}
version:
  description: The device's software version.
  returned: success
  type: str
date:
  description: The date of the device's software version.
  returned: success
  type: str
ansible_facts:
  description: Facts for the host the task is for.
  returned: success
  type: complex
  contains:
    rk5720_lan:
      description:
        - The configuration as in I(config), with C(version), C(date), and the C(host) and
          C(port) it was read at.
      type: dict
unreachable:
  description: True when the device could not be reached, fell silent, answered garbage or
    dropped the connection; the host is then unreachable.
  returned: failure because of the connection
  type: bool
'''
