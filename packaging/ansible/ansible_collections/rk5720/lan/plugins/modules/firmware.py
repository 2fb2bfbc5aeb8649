# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
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
    device's site that has the rk5720-config package); I(image) is a path there.
version_added: 1.0.0
author: RK5720 LAN Config developers
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
  - Runs C(rk5720-cli) with an argument list, never through a shell.
  - A failed verification fails the task with the CLI's message. A bad image fails it naming
    I(image) before anything is sent. A device that cannot be reached fails the task with a
    message that starts with C(unreachable:) and the return value I(unreachable).
attributes:
  check_mode:
    support: full
    description: Compares only, and reports as changed a device that would be upgraded.
  diff_mode:
    support: none
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
    dropped the connection.
  returned: failure because of the connection
  type: bool
rc:
  description: The exit code of rk5720-cli on failure (1 refused or not verified, 2 bad image,
    3 unreachable).
  returned: failure
  type: int
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.rk5720.lan.plugins.module_utils.rk5720_cli import (
    CONNECTION_ARGS, EXIT_DONE, EXIT_REFUSED, EXIT_USAGE, common_options, fail_run, run_cli,
    target_text)


def main():
    argument_spec = dict(CONNECTION_ARGS)
    argument_spec.update(
        image=dict(type='path', required=True),
        restart_pause=dict(type='int'),
    )
    module = AnsibleModule(argument_spec=argument_spec, supports_check_mode=True)
    image = module.params['image']
    result = dict(changed=False, upgraded=False)

    compare_options = ['--answer-timeout', str(module.params['answer_timeout'])] \
        if module.params['answer_timeout'] is not None else []
    compare = run_cli(module, 'compare', compare_options + ['--', image, target_text(module)])
    if compare.rc == EXIT_DONE and compare.host.get('same') is True:
        module.exit_json(same=True, **result)
    # Refused with "same" false: another version, other bytes or another length.
    if compare.rc != EXIT_REFUSED or compare.host.get('same') is not False:
        fail_run(module, compare, parameter='image' if compare.rc == EXIT_USAGE else None,
                 **result)
    result.update(same=False, difference=compare.host.get('error'))
    if module.check_mode:
        result['changed'] = True
        module.exit_json(**result)

    upgrade = run_cli(module, 'upgrade', common_options(module) + ['--', image,
                                                                  target_text(module)])
    # Blocks may have gone out before a failure: the device is not what it was.
    result['changed'] = upgrade.rc != EXIT_USAGE
    if upgrade.rc != EXIT_DONE:
        fail_run(module, upgrade, parameter='image' if upgrade.rc == EXIT_USAGE else None,
                 **result)
    result['upgraded'] = True
    for field in ('version', 'date', 'blocks'):
        if field in upgrade.host:
            result[field] = upgrade.host[field]
    module.exit_json(**result)


if __name__ == '__main__':
    main()
