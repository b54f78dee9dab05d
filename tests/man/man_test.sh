# The manual pages read as the programs' --help says: every option of
# vandrel-sim under OPTIONS, its fleet file's lines each on a line of their
# own, every command of vandrel in COMMANDS, and a NAME line that lexgrog
# (man-db's whatis indexer) can read.
#   sh man_test.sh MAN_DIR VANDREL VANDREL_SIM
set -u
MAN=$1 VANDREL=$2 VANDREL_SIM=$3
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# The rendered page, wide enough that no line wraps, one section per line
# range: "section NAME" lines let awk pick a section.
render() { MANWIDTH=250 man -l "$MAN/$1.1.gz" 2>/dev/null | sed 's/[[:space:]]*$//'; }
section() { awk -v s="$2" '/^[A-Z]/ { on = ($0 == s); next } on' "$1"; }

for page in vandrel vandrel-sim; do
    lexgrog "$MAN/$page.1.gz" > /dev/null || fail "lexgrog cannot read the NAME line of $page.1"
done

render vandrel-sim > "$WORK/sim"
section "$WORK/sim" OPTIONS > "$WORK/options"
"$VANDREL_SIM" --help | sed -n 's/^  \(--[a-z-]*\).*/\1/p' > "$WORK/wanted"
[ -s "$WORK/wanted" ] || fail "vandrel-sim --help lists no option"
while read -r option; do
    grep -q -- "^ *$option\( \|$\)" "$WORK/options" || fail "vandrel-sim.1: $option is not under OPTIONS"
done < "$WORK/wanted"
[ "$(section "$WORK/sim" SYNOPSIS | grep -c 'vandrel-sim')" -eq 3 ] || fail "vandrel-sim.1: the SYNOPSIS lacks a form"
"$VANDREL_SIM" --help | sed -n '/^A fleet file has/,$p' | sed 's/[[:space:]]*$//' > "$WORK/fleet"
section "$WORK/sim" "FLEET FILE" | sed -e 's/^       //' -e '/^$/d' > "$WORK/shown"
diff "$WORK/fleet" "$WORK/shown" || fail "vandrel-sim.1: the fleet file's lines are not as --help has them"

render vandrel > "$WORK/tool"
"$VANDREL" --help | awk -F'  +' '/^commands:/ {on = 1; next} on && !NF {exit} on {print $2}' > "$WORK/commands"
[ -s "$WORK/commands" ] || fail "vandrel --help lists no command"
while read -r command; do
    section "$WORK/tool" COMMANDS | grep -q "^   vandrel $command\$" || fail "vandrel.1: no COMMANDS entry for $command"
done < "$WORK/commands"
echo "man pages: passed"
