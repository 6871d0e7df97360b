#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy at the root) over every source file a build
# compiles, as its compile_commands.json says, one file per core. Files the
# build generates (moc, autogen) and the tests are left out, and only the
# project's own headers are reported on. Usage: scripts/clang-tidy.sh [BUILD_DIR] [REGEX]
# (default build/ and every file; REGEX narrows the list, e.g. 'ui/').
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
narrow=${2:-}

if [ ! -f "$build/compile_commands.json" ]; then
    echo "clang-tidy: no $build/compile_commands.json (configure first)" >&2
    exit 2
fi

# The sources under the root, none from a build folder (build, build-*) and
# none of the tests' own (GoogleTest's and Qt Test's macros and names, and a
# third of the time).
files=()
while IFS= read -r file; do
    case ${file#"$root"/} in
    /* | build/* | build-*/* | tests/*) ;;
    *) [[ $file == *"$narrow"* ]] && files+=("$file") ;;
    esac
done < <(jq -r '.[].file' "$build/compile_commands.json" | sort -u)

if [ "${#files[@]}" -eq 0 ]; then
    echo "clang-tidy: no sources to check" >&2
    exit 2
fi

# Headers are reported on in the top folders the sources come from, so not
# in a build folder's generated ones (moc output included by a test).
folders=$(printf '%s\n' "${files[@]#"$root"/}" | cut -d / -f 1 | sort -u | paste -sd '|')

start=$SECONDS
status=0
printf '%s\0' "${files[@]}" |
    xargs -0 -n 1 -P "$(nproc)" clang-tidy-14 --quiet -p "$build" \
        --header-filter="^$root/($folders)/" 2> >(grep -v ' warnings\? generated\.$' >&2) ||
    status=$?
if [ "$status" -ne 0 ]; then
    echo "clang-tidy: findings above (${#files[@]} files, $((SECONDS - start)) s)" >&2
    exit 1
fi
echo "clang-tidy: ${#files[@]} files clean in $((SECONDS - start)) s"
