# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# What the tasks of one playbook run share across hosts. Each host's task runs
# in a process of its own: what one has found out is kept in a file of the
# run's own temporary folder, which ansible-core removes when the run ends.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import fcntl
import hashlib
import json
import os

from ansible import constants as C


def _read(path):
    try:
        with open(path) as kept:
            return True, json.load(kept)
    except (OSError, ValueError):
        return False, None


def once_a_run(kind, key, compute, keep=lambda value: True):
    """compute()'s value (JSON) for `key` (any repr-able value), computed once
    a run: the tasks that come while the first computes it wait for it, the
    later ones only read it. A value `keep` refuses is computed again."""
    digest = hashlib.sha256(repr(key).encode('utf-8')).hexdigest()[:32]
    path = os.path.join(C.DEFAULT_LOCAL_TMP, 'rk5720-%s-%s' % (kind, digest))
    found, value = _read(path)
    if found:
        return value
    with open(path + '.lock', 'a') as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        found, value = _read(path)
        if found:
            return value
        value = compute()
        if keep(value):
            # Whole or not at all for those that only read it.
            with open(path + '.new', 'w') as out:
                json.dump(value, out)
            os.rename(path + '.new', path)
        return value
