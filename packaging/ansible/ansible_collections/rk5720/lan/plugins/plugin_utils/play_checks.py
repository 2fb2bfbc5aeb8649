# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# Two hosts of one play that would end at one address:port or with one MAC
# both fail before anything is written, as rk5720-cli's own table does: the
# first host's task finds every host's by templating the same task with their
# vars, once for the batch, and the others take that.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import re

from ansible.parsing.mod_args import ModuleArgsParser
from ansible.template import Templar
from ansible_collections.rk5720.lan.plugins.plugin_utils.run_files import once_a_run


# The variables every host of a play sees alike.
PLAY_WIDE = ('omit', 'hostvars', 'groups', 'playbook_dir', 'ansible_play_hosts_all',
             'ansible_play_batch', 'ansible_playbook_python', 'ansible_check_mode')

# The arguments that say where a device ends.
ENDPOINT_KEYS = ('host', 'port', 'ip', 'device_port', 'mac')
BARE_VARIABLE = re.compile(r'^\{\{\s*([A-Za-z_][A-Za-z0-9_]*)\s*\}\}$')


def endpoint(args):
    """(ADDR:PORT the device would end at, its MAC or None) of a task's args."""
    try:
        port = int(args.get('device_port') or args.get('port') or 1024)
    except (TypeError, ValueError):
        return None, None
    address = args.get('ip') or args.get('host')
    mac = args.get('mac')
    return ('%s:%d' % (address, port) if address else None,
            str(mac).upper().replace(':', '-') if mac else None)


def conflict(mine, others):
    """(message, parameter) of the first other host that ends where this one
    does, or None. `others` holds (host name, endpoint) pairs."""
    at, mac = mine
    for name, (other_at, other_mac) in others:
        if at and at == other_at:
            return ('ip: %s would end at %s as well; nothing was written' % (name, at), 'ip')
        if mac and mac == other_mac:
            return ('mac: %s would get %s as well; nothing was written' % (name, mac), 'mac')
    return None


def templated_endpoints(action, task_vars, hosts):
    """{host: endpoint} of this task templated with each host's own vars; a
    host whose vars do not template it is left out."""
    task_ds = getattr(action._task, '_ds', None)
    if not isinstance(task_ds, dict):
        return {}
    try:
        raw = ModuleArgsParser(task_ds=task_ds,
                               collection_list=action._task.collections).parse()[1]
    except Exception:  # pylint: disable=broad-except
        return {}
    raw = dict((key, raw[key]) for key in ENDPOINT_KEYS if key in raw)
    omit = task_vars.get('omit')
    play_wide = dict((key, task_vars[key]) for key in PLAY_WIDE if key in task_vars)
    hostvars = task_vars['hostvars']
    # pylint: disable=protected-access
    manager, inventory = hostvars._variable_manager, hostvars._inventory
    play = play_of(action._task)
    endpoints = {}
    for name in hosts:
        host = inventory.get_host(name)
        if host is None:
            continue
        try:
            # What the other host's task sees (its play's, its task's and its
            # own vars), never this host's under its name. Untemplated: the
            # templar templates only those the arguments name.
            variables = dict(play_wide)
            variables.update(manager.get_vars(
                play=play, host=host, task=action._task,
                include_hostvars=False, include_delegate_to=False,
                _hosts=task_vars.get('ansible_play_hosts'), _hosts_all=hosts))
            templar = Templar(loader=action._loader, variables=variables)
            templated = dict((key, templated_value(templar, variables, value))
                             for key, value in raw.items())
        except Exception:  # pylint: disable=broad-except
            continue
        endpoints[name] = endpoint(dict((k, v) for k, v in templated.items() if v != omit))
    return endpoints


def play_of(task):
    """The play a task belongs to, through its blocks and includes."""
    parent = getattr(task, '_parent', None)
    while parent is not None and getattr(parent, '_play', None) is None:
        parent = getattr(parent, '_parent', None)
    return getattr(parent, '_play', None)


def templated_value(templar, variables, value):
    """What the templar makes of value. A lone "{{ name }}" whose variable
    holds no template itself is that variable's value: the same, without
    compiling the expression once per host."""
    match = BARE_VARIABLE.match(value) if isinstance(value, str) else None
    if match and match.group(1) in variables:
        found = variables[match.group(1)]
        if not (isinstance(found, str) and templar.is_possibly_template(found)):
            return found if isinstance(found, (int, float, bool)) else str(found)
    return templar.template(value)


def play_conflicts(action, task_vars):
    """The conflict of this host's config task with the play's other hosts."""
    args = action.params
    if not any(args.get(key) is not None for key in ('ip', 'device_port', 'mac')):
        return None
    me = task_vars.get('inventory_hostname')
    hosts = list(task_vars.get('ansible_play_hosts_all') or [])
    if not [h for h in hosts if h != me]:
        return None
    # Templating every host's vars costs each task as much as the play has
    # hosts: once for the batch, by the first task, is enough.
    batch = (action._task._uuid, tuple(task_vars.get('ansible_play_batch') or ()))
    endpoints = once_a_run('endpoints', batch,
                           lambda: templated_endpoints(action, task_vars, hosts))
    others = [(name, tuple(at)) for name, at in sorted(endpoints.items()) if name != me]
    return conflict(endpoint(args), others)
