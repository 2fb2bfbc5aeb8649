"""The README's fleet example, its inventory.yml and site.yml blocks, as files:
the playbook test runs them and the sanity test lints them.

readme_fleet.py README FOLDER"""
import os
import re
import sys

NAMES = ('inventory.yml', 'site.yml')


def write(readme, folder):
    """FOLDER/inventory.yml and FOLDER/site.yml as the README shows them."""
    with open(readme) as text:
        blocks = dict((name, body) for body, name in
                      re.findall(r'^```yaml\n(# (\S+)\n.*?)^```$', text.read(), re.M | re.S))
    for name in NAMES:
        if name not in blocks:
            raise SystemExit('%s has no yaml block that starts with "# %s"' % (readme, name))
        with open(os.path.join(folder, name), 'w') as out:
            out.write(blocks[name])
    return [os.path.join(folder, name) for name in NAMES]


if __name__ == '__main__':
    write(sys.argv[1], sys.argv[2])
