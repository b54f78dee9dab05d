# Every script under scripts/ answers --help with its usage (its leading
# comment) and exit status 0, and runs nothing: in-netns.sh, which runs its
# arguments as a command, does not run "--help".
#   sh help_test.sh SCRIPTS_DIR
set -u
status=0
for script in "$1"/*.sh; do
    [ "$(basename "$script")" = help.sh ] && continue
    first=$(sed -n '2s/^# \{0,1\}//p' "$script")
    out=$(timeout 10 sh "$script" --help 2>&1)
    rc=$?
    if [ $rc -ne 0 ] || [ "$(echo "$out" | head -1)" != "$first" ]; then
        echo "FAILED: $script --help: exit status $rc, first line '$(echo "$out" | head -1)'" >&2
        status=1
    fi
done
[ $status -eq 0 ] && echo "every script answers --help"
exit $status
