#!/bin/sh
# Writes a section of a manual page, for help2man's --include, from the part
# of a program's --help that starts with a line beginning FIRST and runs to
# the end: that line as a paragraph, the rest set as it stands (its columns
# carry meaning, which help2man's filling would lose).
#   sh help-section.sh PROGRAM FIRST SECTION OUT.h2m
set -e
"$1" --help | awk -v first="$2" -v section="$3" '
    index($0, first) == 1 { on = 1; printf "[%s]\n%s\n.nf\n", section, $0; next }
    on {
        gsub(/\\/, "\\e"); gsub(/-/, "\\-")
        if ($0 ~ /^[.'"'"']/) $0 = "\\&" $0
        print
    }
    END { if (on) print ".fi"; else exit 1 }' > "$4"
