# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# The documentation of rk5720.lan.config; its action plugin does the work.
# Sets the network parameters of an RK5720 LAN communication server through
# rk5720-cli apply, which writes only what differs.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: config
short_description: Set the network parameters of an RK5720 LAN communication server
description:
  - Reads the device's configuration, compares it with the values given and writes only
    those that differ, by running C(rk5720-cli apply) on the machine that runs the task
    (the control node, or a delegate of the device's site that has the rk5720-cli
    package).
  - With I(restart) the device restarts when something was written, and is followed to its
    new address and port, read back there and checked.
  - A second run of the same task reports no change.
  - The device is reached at I(host):I(port); after an address change it answers at the
    address returned in I(now_at), which is where the next tasks must reach it.
  - Run again with the same I(host) after a renumbering, a device that no longer answers
    there is looked for at I(ip):I(device_port); when one answers there with the MAC
    address I(mac), it is this host's (I(found_at)). Without I(mac) no device is taken
    for another.
  - Stored values of I(ip) or I(device_port) that differ from where the device answers
    wait for its next restart (I(pending_restart)); with I(restart) the task restarts it.
  - Two hosts of one play whose tasks would end at one address and port, or with one MAC
    address, both fail before anything is written.
version_added: 1.0.0
author: RK5720 LAN Config developers (@rk5720-config)
extends_documentation_fragment:
  - rk5720.lan.cli
options:
  host:
    description: Address or host name the device answers at now.
    type: str
    required: true
  port:
    description: TCP port the device answers at now (the connection's port, not a value to set).
    type: int
    default: 1024
  ip:
    description: The device's new IP address, dotted decimal.
    type: str
  mask:
    description: The device's new network mask, dotted decimal.
    type: str
  gateway:
    description: The device's new gateway address, dotted decimal.
    type: str
  device_port:
    description: The device's new TCP port, 1 to 65535. The connection's port is I(port).
    type: int
  mac:
    description: The device's new MAC address, six hexadecimal pairs separated by C(-).
    type: str
  byte_order:
    description:
      - Byte order of floating-point values over ModBus, one of C(1-0-3-2), C(0-1-2-3),
        C(3-2-1-0), C(2-3-0-1), or its index 0 to 3.
    type: raw
  speed:
    description:
      - Ethernet speed and duplex, one of C(Auto), C(10 Mbit/s full duplex),
        C(10 Mbit/s half duplex), C(100 Mbit/s full duplex), C(100 Mbit/s half duplex),
        or its index 0 to 4.
    type: raw
  restart:
    description:
      - Restart the device when something was written, follow it to its new address and
        port, read the configuration back there and check it. Without it the device takes
        the new values at its next restart.
    type: bool
    default: false
  restart_pause:
    description:
      - How long in milliseconds the device needs after a restart before it is called again.
        Default the CLI's (7000).
    type: int
notes:
  - Runs C(rk5720-cli) on the task's host through its connection, each argument quoted for its shell; the values go to it as
    JSON on its standard input.
  - A bad value fails the task with the parameter's name, and nothing is sent to the device.
    A device that cannot be reached makes its host unreachable, with a message that starts
    with C(unreachable:).
attributes:
  check_mode:
    support: full
    description: Reads and compares only; nothing is written.
  diff_mode:
    support: full
    description: The configuration before and after, one parameter a line.
'''

EXAMPLES = r'''
- name: Give the server its site address and restart it there
  rk5720.lan.config:
    host: 10.20.0.222
    ip: 10.20.0.30
    mask: 255.255.255.0
    gateway: 10.20.0.1
    restart: true
  register: server

- name: The next tasks reach it at its new address
  ansible.builtin.set_fact:
    rk5720_at: "{{ server.now_at | default(server.host ~ ':' ~ server.port) }}"

- name: Move the service port and set the ModBus byte order, through the site's jump host
  rk5720.lan.config:
    host: "{{ rk5720_host }}"
    device_port: 1025
    byte_order: 3-2-1-0
    speed: Auto
    restart: true
    answer_timeout: 1500
  delegate_to: "{{ site_delegate }}"
'''

RETURN = r'''
changed:
  description: Whether a value was written (in check mode, whether one would be).
  returned: always
  type: bool
differences:
  description: The values that differ from the device's, by parameter name.
  returned: success
  type: list
  elements: dict
  sample: [{"parameter": "ip", "before": "10.20.0.222", "after": "10.20.0.30"}]
before:
  description: The configuration read from the device, by parameter name.
  returned: success
  type: dict
  sample: {"ip": "10.20.0.222", "mask": "255.255.255.0", "device_port": 1024,
           "gateway": "10.20.0.1", "mac": "00-1A-2B-3C-4D-5E", "byte_order": "1-0-3-2",
           "speed": "Auto"}
after:
  description: The configuration as it is after the task (in check mode, as it would be).
  returned: success
  type: dict
written:
  description: The parameters written to the device.
  returned: success
  type: list
  elements: str
restarted:
  description: Whether the device was restarted.
  returned: success
  type: bool
now_at:
  description: HOST:PORT where the device answered after its restart.
  returned: when the device was restarted
  type: str
  sample: 10.20.0.30:1024
found_at:
  description: HOST:PORT where the device was found by its MAC address when it did not
    answer at I(host):I(port) (moved there by an earlier run).
  returned: when the device was found where it moved
  type: str
  sample: 10.20.0.30:1024
pending_restart:
  description: Whether the device stores an address or port other than where it answers,
    to take effect at its next restart.
  returned: success
  type: bool
host:
  description: The address the task reached the device at.
  returned: always
  type: str
port:
  description: The port the task reached the device at.
  returned: always
  type: int
version:
  description: The device's software version.
  returned: success
  type: str
date:
  description: The date of the device's software version.
  returned: success
  type: str
parameter:
  description: The parameter whose value the CLI refused before sending anything.
  returned: failure because of a bad value
  type: str
  sample: device_port
unreachable:
  description: True when the device could not be reached, fell silent, answered garbage or
    dropped the connection; the host is then unreachable.
  returned: failure because of the connection
  type: bool
rc:
  description: The exit code of rk5720-cli on failure (1 refused or not verified, 2 bad value,
    3 unreachable).
  returned: failure
  type: int
'''
