# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# The documentation of rk5720.lan.firmware; its action plugin does the work.
# Upgrades an RK5720 LAN communication server's firmware through rk5720-cli,
# only when the device's stored image is not the file's.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: firmware
short_description: Upgrade the firmware of an RK5720 LAN communication server when it differs
description:
  - Compares the device's stored image with I(image) (C(rk5720-cli compare)), and only when
    they differ uploads and installs the image (C(rk5720-cli upgrade)), follows the device's
    restart, reads the new version and reads the whole image back to check it.
  - A device that already holds the image is left alone, so a second run uploads nothing.
  - Runs on the machine that runs the task (the control node, or a delegate of the
    device's site that has the rk5720-cli package); I(image) is a path there.
version_added: 1.0.0
author: RK5720 LAN Config developers (@rk5720-config)
extends_documentation_fragment:
  - rk5720.lan.cli
options:
  image:
    description: The firmware image file, on the machine that runs the task.
    type: path
    required: true
  restart_pause:
    description:
      - How long in milliseconds after the install command the device is called again.
        Default the CLI's (8000).
    type: int
  answer_timeout:
    description:
      - How long in milliseconds the device may take to answer one command. Default the
        CLI's (500); the limits of blocks and installs grow with it.
    type: int
notes:
  - Runs C(rk5720-cli) on the task's host through its connection, each argument quoted for its shell.
  - A failed verification fails the task with the CLI's message. A bad image fails it naming
    I(image) before anything is sent. A device that cannot be reached fails the task with a
    message that starts with C(unreachable:) and the return value I(unreachable).
attributes:
  check_mode:
    support: full
    description:
      - Compares only, and reports as changed a device that would be upgraded. An image not
        staged yet (a copy task in the same check run writes nothing) counts as "would upgrade".
  diff_mode:
    support: none
    description: Nothing is shown as a difference.
'''

EXAMPLES = r'''
- name: Bring every server of the site to the 2.00B firmware, two at a time
  rk5720.lan.firmware:
    host: "{{ rk5720_host }}"
    image: /srv/firmware/rk5720-2.00B.bin
  delegate_to: "{{ site_delegate }}"
  throttle: 2

- name: Which servers would be upgraded
  rk5720.lan.firmware:
    host: "{{ rk5720_host }}"
    image: /srv/firmware/rk5720-2.00B.bin
  check_mode: true
  register: would
'''

RETURN = r'''
changed:
  description: Whether the image was installed (in check mode, whether it would be).
  returned: always
  type: bool
upgraded:
  description: Whether the image was uploaded and installed by this task.
  returned: always
  type: bool
same:
  description: Whether the device held exactly the image before the task.
  returned: success
  type: bool
difference:
  description: How the device's stored image differed from the file, in the CLI's words.
  returned: when they differed
  type: str
  sample: "versions differ: file 2.00B  (05.06.26), device 1.00A  (01.02.08)"
version:
  description: The version the device runs after the upgrade.
  returned: when upgraded
  type: str
date:
  description: The date of that version.
  returned: when upgraded
  type: str
blocks:
  description: The number of 1,024-byte blocks uploaded.
  returned: when upgraded
  type: int
parameter:
  description: The parameter the CLI refused before sending anything (I(image)).
  returned: failure because of a bad image
  type: str
unreachable:
  description: True when the device could not be reached, fell silent, answered garbage or
    dropped the connection; the host is then unreachable.
  returned: failure because of the connection
  type: bool
rc:
  description: The exit code of rk5720-cli on failure (1 refused or not verified, 2 bad image,
    3 unreachable).
  returned: failure
  type: int
'''
