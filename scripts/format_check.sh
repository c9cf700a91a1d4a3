#!/bin/sh
# Fails when a tracked C++ file differs from what clang-format makes of it
# under the project's .clang-format; lists the files to fix.
set -e
cd "$(dirname "$0")/.."
bad=""
for f in $(git ls-files '*.cc' '*.h'); do
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    bad="$bad $f"
  fi
done
if [ -n "$bad" ]; then
  echo "format: not clang-formatted:$bad"
  echo "format: run clang-format -i on them"
  exit 1
fi
echo "format: every C++ file is clang-formatted"
