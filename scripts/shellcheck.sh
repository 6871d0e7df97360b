#!/usr/bin/env bash
# Runs shellcheck over every shell script in the repository: the files named
# *.sh, those whose first line starts a shell, and the mutation lists, which
# run.sh sources into bash. .shellcheckrc lets it follow what a script sources.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts=()
lists=()
while IFS= read -r -d '' file; do
    case $file in
    tests/mutants/*.list) lists+=("$file") ;;
    *.sh) scripts+=("$file") ;;
    *) head -n 1 -- "$file" | grep -qE '^#!.*[/ ](ba|da)?sh( |$)' && scripts+=("$file") ;;
    esac
done < <(git ls-files -z)

shellcheck -- "${scripts[@]}"
shellcheck --shell=bash -- "${lists[@]}"
echo "shellcheck: ${#scripts[@]} scripts and ${#lists[@]} mutation lists clean"
