#!/bin/sh
# Writes the COMMANDS section of vandrel's manual page, for help2man's
# --include: one subsection per command, holding that command's --help, in
# the order 'vandrel --help' lists them.
#   sh commands.sh PATH_TO_VANDREL commands.h2m
set -e
vandrel=$1
exec > "$2"
echo "[COMMANDS]"
"$vandrel" --help | awk -F'  +' '/^commands:/ {on = 1; next} on && !NF {exit} on {print $2}' |
while read -r command; do
    printf '.SS "vandrel %s"\n.nf\n' "$command"
    # shellcheck disable=SC2086 # a command name of two words is two arguments
    "$vandrel" $command --help | sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
    printf '.fi\n'
done
