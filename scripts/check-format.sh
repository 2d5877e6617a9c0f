#!/usr/bin/env bash
# Fails when a C++ source or header of the project is not laid out as .clang-format says.
# `git ls-files '*.cpp' '*.h' | xargs clang-format -i` lays them out.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
