#!/usr/bin/env bash
# Fails when a C++ file of ours differs from what .clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format)
git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h' | xargs -0 "$format" --dry-run -Werror
