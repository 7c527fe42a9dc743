#!/usr/bin/env bash
# The bash completion of varnexcalc-cli, loaded as bash-completion loads it, completing
# command lines against the runner of this build.
#   completion_test.sh COMPLETION_FILE RUNNER
set -uo pipefail
# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
source "$1"
runner=$2
PATH="$(dirname "$runner"):$PATH"
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Completes the words given, the last one being the word under the cursor.
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _varnexcalc_cli varnexcalc-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort
}
expect() { # NAME EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1: expected [$2], got [$3]"
        failed=1
    fi
}
words() { printf '%s\n' "$@" | sort; }

expect "radix values" "$(words bin dec hex)" "$(complete_words varnexcalc-cli -r '')"
formats=$(complete_words varnexcalc-cli --plot-format '')
for f in svg png pdf txt csv; do
    grep -qx "$f" <<<"$formats" || { echo "FAIL: --plot-format does not offer $f: $formats"; failed=1; }
done
expect "formats are words only" "" "$(grep -v '^[a-z0-9]*$' <<<"$formats")"
expect "a format by its start" "$(words png pdf)" "$(complete_words varnexcalc-cli --plot-format p)"
expect "--ver" "--version" "$(complete_words varnexcalc-cli -e 1 --ver)"
expect "--he" "--help" "$(complete_words varnexcalc-cli --he)"
options=$(complete_words varnexcalc-cli -)
for o in -e -g -p -r -c -t --plots --plot-format --plot-size --functions --describe --version; do
    grep -qx -- "$o" <<<"$options" || { echo "FAIL: options lack $o: $options"; failed=1; }
done
# Every built-in function, and only their names.
expect "all function names" "$("$runner" --functions | sed 's/(.*//' | sort)" \
    "$(complete_words varnexcalc-cli --describe '')"
sin=$(complete_words varnexcalc-cli --describe sin)
grep -qx sin <<<"$sin" && grep -qx sinh <<<"$sin" || { echo "FAIL: --describe sin gave [$sin]"; failed=1; }
expect "no completion of script texts" "" "$(complete_words varnexcalc-cli -e '')"
# Folders after --plots, files otherwise.
mkdir "$work/plots" && touch "$work/run.zma"
expect "folders after --plots" "$work/plots" "$(complete_words varnexcalc-cli --plots "$work/")"
expect "files as FILE" "$(words "$work/plots" "$work/run.zma")" "$(complete_words varnexcalc-cli "$work/")"

[ "$failed" -eq 0 ] && echo "completion ok"
exit "$failed"
