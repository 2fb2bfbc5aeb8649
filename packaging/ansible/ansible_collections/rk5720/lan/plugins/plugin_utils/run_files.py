# -*- coding: utf-8 -*-
# Copyright: (c) 2026, KORVENTA
# GNU General Public License v3.0+ (see LICENSE or https://www.gnu.org/licenses/gpl-3.0.txt)
# What the tasks of one playbook run share across hosts. Each host's task runs
# in a process of its own: what one has found out is kept in a file of the
# run's own temporary folder, which ansible-core removes when the run ends.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import contextlib
import fcntl
import hashlib
import os

from ansible import constants as C


@contextlib.contextmanager
def locked_run_file(kind, key):
    """The run's file for `kind` and `key` (any repr-able value), open for
    reading and appending and locked: another host's task that wants it waits
    until this one is done with it."""
    digest = hashlib.sha256(repr(key).encode('utf-8')).hexdigest()[:32]
    with open(os.path.join(C.DEFAULT_LOCAL_TMP, 'rk5720-%s-%s' % (kind, digest)), 'a+') as kept:
        fcntl.flock(kept, fcntl.LOCK_EX)
        kept.seek(0)
        yield kept
