#!/usr/bin/env bash
# Fails when a source folder includes a folder it may not: each layer includes only
# the layers below it. The table is the one place that says which may include which.
set -euo pipefail
src=$(cd "$(dirname "$0")/../src" && pwd)
declare -A allowed=(
    [app]="app cli window widgets menu wordlist generation output command adapters spreadsheet platform service"
    [cli]="cli wordlist generation output command platform"
    [window]="window widgets menu wordlist generation output command platform"
    [widgets]="widgets platform"
    [menu]="menu generation output command platform"
    [wordlist]="wordlist command platform"
    [generation]="generation command platform"
    [output]="output command platform"
    [command]="command platform"
    [adapters]="adapters platform service"
    [spreadsheet]="spreadsheet platform"
    [platform]="platform"
    [service]="service"
)
status=0
for folder in "$src"/*/; do
    layer=$(basename "$folder")
    if [ -z "${allowed[$layer]+set}" ]; then
        echo "src/$layer: a folder the layer table does not know"; status=1; continue
    fi
    while IFS=: read -r file line include; do
        target=${include#*\"}; target=${target%%/*}
        [[ " ${allowed[$layer]} " == *" $target "* ]] && continue
        echo "${file#"$src"/}:$line: $layer may not include $target"; status=1
    done < <(grep -rn '^#include "[a-z_]*/' "$folder" || true)
done
[ $status -eq 0 ] && echo "every folder includes only the layers below it"
exit $status
