#!/bin/sh
# run_playbooks.sh CLI SIM SAMPLE_IMAGE COLLECTION VERSION
# The rk5720.lan collection's playbook test; skipped (77) where ansible-core
# is missing.
for tool in ansible-playbook ansible-doc ansible-galaxy python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool not found: ansible-core is not installed (./scripts/deps.sh installs it)"
    exit 77
  fi
done
exec python3 "$(dirname "$0")/tst_playbooks.py" "$@"
