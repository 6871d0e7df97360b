#!/usr/bin/env bash
# Fails when a project include runs against the layers. A layer may include
# itself and the layers to its left:
#   the site:   text <- dict <- morph <- web <- server <- site/main.cpp
#               (from its own root, site/: "dict/DictdIndex.h")
#   the client: platform, lookup/core <- lookup/client <- webview <- ui <- app
#               (from the repository root: "lookup/core/HttpRequest.h");
#               platform and lookup/core are independent of each other.
# An include that names no library, or one from outside the program (the
# tests, the benches, the other program), counts as against the layers too.
# tests/ and bench/ may include anything and are not read.
#
#   scripts/check-layers.sh [ROOT]     ROOT: the tree to read (the repository)
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"

# layer PATH: the layer of a file (from the root) or of an include, if any.
layer() {
    case $1 in
    site/main.cpp) echo site-app ;;
    site/text/* | site/dict/* | site/morph/* | site/web/* | site/server/*)
        local rest=${1#site/}
        echo "site-${rest%%/*}"
        ;;
    text/* | dict/* | morph/* | web/* | server/*) echo "${1%%/*}" ;;
    lookup/core/*) echo core ;;
    lookup/client/*) echo client ;;
    platform/* | webview/* | ui/* | app/*) echo "${1%%/*}" ;;
    esac
}

# allowed LAYER: the layers LAYER's files may include.
allowed() {
    case $1 in
    site-text) echo "text" ;;
    site-dict) echo "text dict" ;;
    site-morph) echo "text dict morph" ;;
    site-web) echo "text dict morph web" ;;
    site-server) echo "text dict morph web server" ;;
    site-app) echo "text dict morph web server" ;;
    platform) echo "platform" ;;
    core) echo "core" ;;
    client) echo "platform core client" ;;
    webview) echo "platform core client webview" ;;
    ui) echo "platform core client webview ui" ;;
    app) echo "platform core client webview ui app" ;;
    esac
}

faults=0
while IFS= read -r -d '' file; do
    own=$(layer "$file")
    [ -n "$own" ] || continue
    while IFS=: read -r line header; do
        case $header in
        *.moc | moc_*) continue ;; # moc's output, beside the file
        esac
        theirs=$(layer "$header")
        if [ -z "$theirs" ]; then
            echo "$file:$line: \"$header\" names no layer of its program"
            faults=$((faults + 1))
        elif [[ " $(allowed "$own") " != *" $theirs "* ]]; then
            echo "$file:$line: \"$header\" ($theirs) is above or beside ${own#site-}"
            faults=$((faults + 1))
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
        sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/')
done < <(find site platform lookup webview ui app \( -name '*.cpp' -o -name '*.h' \) -print0 2>/dev/null)

if [ "$faults" -ne 0 ]; then
    echo "check-layers: $faults includes against the layers"
    exit 1
fi
echo "check-layers: every include keeps to the layers"
