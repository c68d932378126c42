#!/bin/sh
# The house rules a program can check, on every file git knows: the C and C++ as clang-format
# lays them out (.clang-format), shellcheck on every shell script, pyflakes on the Python.
# Any finding fails it; each tool says where.
set -eu
status=0
# shellcheck disable=SC2046  # file names without spaces, one word each
clang-format --dry-run --Werror --style=file $(git ls-files '*.c' '*.cpp' '*.h') || status=1
# shellcheck disable=SC2046
shellcheck $(git ls-files '*.sh') .ci/run || status=1
# shellcheck disable=SC2046
pyflakes3 $(git ls-files '*.py') || status=1
exit $status
