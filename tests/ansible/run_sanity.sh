#!/bin/sh
# run_sanity.sh SOURCE_DIR
# The collection as ansible-test sanity and ansible-lint judge it, with
# Debian's packages and no network: ansible-test's tests that need no
# virtual environment run as they are; validate-modules, pylint, pep8,
# yamllint, runtime-metadata and ansible-doc (whose environments ansible-test
# would fetch pip for) run from Debian's packages with ansible-test's own
# settings. Not run: import (it needs a virtual environment with the
# collection's requirements installed by pip). ansible-lint judges the
# collection, the playbooks of the tests and the benchmark, and the README's
# fleet inventory and playbook. Skipped (77) where a tool is missing.
set -eu
source=$(cd "$1" && pwd)
collection=$source/packaging/ansible/ansible_collections/rk5720/lan
python=$(sed -n '1s/^#! *//p' "$(command -v ansible-test 2>/dev/null || echo /nonexistent)" 2>/dev/null || true)
for tool in ansible-test ansible-lint yamllint; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool not found"; exit 77; }
done
for module in pylint pycodestyle voluptuous; do
  "$python" -c "import $module" 2>/dev/null || { echo "SKIP: Python module $module not found"; exit 77; }
done
sanity=$("$python" -c 'import ansible_test, os; print(os.path.dirname(ansible_test.__file__))')/_util/controller/sanity

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# ansible-test wants the collection under ansible_collections/NS/NAME and
# writes its output there: a copy, so the tree stays as it is.
copy=$work/ansible_collections/rk5720/lan
mkdir -p "$(dirname "$copy")"
cp -r "$collection" "$copy"
find "$copy" -name __pycache__ -prune -exec rm -rf {} +
export PYTHONDONTWRITEBYTECODE=1 HOME=$work/home ANSIBLE_HOME=$work/ansible
status=0
fail() { echo "FAIL: $*"; status=1; }

venv_tests="ansible-doc import pep8 pylint runtime-metadata validate-modules yamllint"
skips=$(for t in $venv_tests; do printf ' --skip-test %s' "$t"; done)
# shellcheck disable=SC2086
(cd "$copy" && ansible-test sanity --local --python "$("$python" -c 'import sys; print("%d.%d" % sys.version_info[:2])')" --color no $skips) ||
  fail "ansible-test sanity"
(cd "$work" && ANSIBLE_COLLECTIONS_PATH=$work "$python" "$sanity/validate-modules/validate.py" \
  --format plain --collection ansible_collections/rk5720/lan --collection-version 1.0.0 \
  ansible_collections/rk5720/lan/plugins/modules/*.py) || fail "validate-modules"
(cd "$work" && "$python" -m pylint --rcfile "$sanity/pylint/config/collection.cfg" \
  $(cd "$work" && find ansible_collections -name '*.py')) || fail "pylint"
"$python" -m pycodestyle --max-line-length 160 \
  --ignore "$(paste -sd, "$sanity/pep8/current-ignore.txt")" "$copy" || fail "pep8"
(cd "$copy" && yamllint -c "$sanity/yamllint/config/default.yml" galaxy.yml meta changelogs) ||
  fail "yamllint"
(cd "$copy" && "$python" "$sanity/code-smell/runtime-metadata.py" meta/runtime.yml) >"$work/runtime" 2>&1 &&
  [ ! -s "$work/runtime" ] || { cat "$work/runtime"; fail "runtime-metadata"; }
# Every plugin's documentation renders without a word on standard error.
plugins=$(cd "$copy/plugins/modules" && ls ./*.py | sed 's|^\./|rk5720.lan.|; s|\.py$||')
# shellcheck disable=SC2086
ANSIBLE_COLLECTIONS_PATH=$work ansible-doc -t module $plugins >/dev/null 2>"$work/doc" &&
  ANSIBLE_COLLECTIONS_PATH=$work ansible-doc -t module --list rk5720.lan >/dev/null 2>>"$work/doc" &&
  [ ! -s "$work/doc" ] || { cat "$work/doc"; fail "ansible-doc"; }
(cd "$copy" && ansible-lint -q --nocolor --offline .) || fail "ansible-lint on the collection"
# Playbooks as an operator lints them, with the collection's modules found
# (ansible-lint's loader for ansible-core 2.14 looks on the Python path).
lint=$work/lint
mkdir -p "$lint"
cp "$source"/tests/ansible/*.yml "$source"/bench/ansible/*.yml "$lint"
mkdir "$lint/readme"
"$python" "$source/tests/ansible/readme_fleet.py" "$source/README.md" "$lint/readme"
(cd "$lint" && ANSIBLE_COLLECTIONS_PATH=$work PYTHONPATH=$work ansible-lint -q --nocolor --offline \
  ./*.yml readme/inventory.yml readme/site.yml) || fail "ansible-lint on the playbooks"
[ $status -eq 0 ] && echo "ansible_sanity: ansible-test sanity (offline tests), validate-modules, pylint, pep8, yamllint, runtime-metadata, ansible-doc and ansible-lint clean"
exit $status
