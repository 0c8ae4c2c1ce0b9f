#!/bin/sh
# The man page formats without a warning and names every command the program has.
# Arguments: the page and the brenvik binary.
set -eu
page=$1
brenvik=$2
warnings=$(groff -z -man -ww "$page" 2>&1)
[ -z "$warnings" ] || { echo "groff warns about $page:" >&2; echo "$warnings" >&2; exit 1; }
commands=$("$brenvik" help | sed -n '/^Subcommands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }')
[ -n "$commands" ] || { echo "brenvik help lists no commands" >&2; exit 1; }
for command in $commands; do
    grep -q -e "^\.B $command\b" -e "^\\\\fB$command\\\\fR" -e "^\.B $(echo "$command" | sed 's/-/\\\\-/g')\b" "$page" ||
        { echo "the man page does not describe the command $command" >&2; exit 1; }
done
echo "the man page is clean and names: $(echo $commands)"
