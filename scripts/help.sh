# Read first by every script here: given -h or --help, a script prints its
# leading comment, which says what it does and how to call it, and ends
# (exit status 0) without running.
case ${1:-} in
-h | --help)
    awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"
    exit 0
    ;;
esac
