# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# The documentation of rk5720.lan.fleet; its action plugin does the work.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: fleet
short_description: Configure many RK5720 LAN communication servers in one run
description:
  - Runs one C(rk5720-cli apply) table run for a list of devices, on the host the task runs
    on (once per site or jump host), and returns each device's result.
  - The whole table is checked before anything is written; two devices that would end at
    one address and port or with one MAC address fail the task with nothing written.
version_added: 1.0.0
author: RK5720 LAN Config developers (@rk5720-config)
options:
  devices:
    description: The devices and the values each should hold.
    type: list
    elements: dict
    required: true
    suboptions:
      name:
        description: The device's name in the results; default I(host):I(port).
        type: str
      host:
        description: Address the device answers at now.
        type: str
        required: true
      port:
        description: TCP port the device answers at now.
        type: int
        default: 1024
      ip:
        description: The device's new IP address.
        type: str
      mask:
        description: The device's new network mask.
        type: str
      gateway:
        description: The device's new gateway address.
        type: str
      device_port:
        description: The device's new TCP port.
        type: int
      mac:
        description: The device's new MAC address.
        type: str
      byte_order:
        description: ModBus byte order, its text or index.
        type: raw
      speed:
        description: Ethernet speed and duplex, its text or index.
        type: raw
  restart:
    description: Restart each device where something was written and check it there.
    type: bool
    default: false
  restart_pause:
    description: How long in milliseconds a device needs after a restart.
    type: int
  answer_timeout:
    description: How long in milliseconds a device may take to answer one command.
    type: int
  timeout:
    description: Time limit in milliseconds of a connection attempt.
    type: int
  retries:
    description: How many more times a failed connection is tried.
    type: int
  executable:
    description: The rk5720-cli program on the host that runs the task.
    type: str
    default: rk5720-cli
attributes:
  check_mode:
    support: full
    description: Reads and compares only.
  diff_mode:
    support: none
    description: Nothing is shown as a difference.
'''

EXAMPLES = r'''
- name: Renumber the site's servers in one run from its jump host
  rk5720.lan.fleet:
    devices: "{{ groups['site_a'] | map('extract', hostvars, 'rk5720_device') | list }}"
    restart: true
  delegate_to: jump-a
  run_once: true
  register: site
'''

RETURN = r'''
devices:
  description: One result per device, in the order given, as M(rk5720.lan.config) returns.
  returned: always
  type: list
  elements: dict
summary:
  description: How many devices changed, stayed and failed.
  returned: always
  type: str
  sample: "64 devices: 3 changed, 61 unchanged, 0 failed"
'''
