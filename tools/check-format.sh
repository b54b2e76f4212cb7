#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format (Debian 12's
# clang-format 14, with the repository's .clang-format) makes of it.
# Every file is checked, not only changed ones: the tree is kept formatted
# whole, so a check needs no idea of what the last landing was.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
mapfile -t bad < <(clang-format --dry-run "${files[@]}" 2>&1 |
  sed -n 's/^\(.*\):[0-9]*:[0-9]*: \(warning\|error\): code should be clang-formatted.*/\1/p' |
  sort -u)
if [ ${#bad[@]} -gt 0 ]; then
  echo "check-format: not formatted (run clang-format -i on them):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
