#!/bin/sh
# run_playbooks.sh CLI SIM SAMPLE_IMAGE COLLECTION VERSION README
# The rk5720.lan collection's playbook test, with the Python that runs
# ansible-playbook (it has PyYAML); skipped (77) where ansible-core is missing.
for tool in ansible-playbook ansible-doc ansible-galaxy; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool not found: ansible-core is not installed (./scripts/deps.sh installs it)"
    exit 77
  fi
done
export PYTHONDONTWRITEBYTECODE=1
exec "$(sed -n '1s/^#! *//p' "$(command -v ansible-playbook)")" "$(dirname "$0")/tst_playbooks.py" "$@"
