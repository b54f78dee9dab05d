# tshark_alone ARGS...: tshark with the dissector under test as its only
# plugin, whatever the machine has installed. A copy of the dissector in
# Wireshark's global plugin folder (the wireshark-vandrel package's) would
# register the protocol first and make the one under test fail to load, so
# that folder is hidden under an empty one in a mount namespace of tshark's
# own, and the personal configuration and plugins are fresh ones in $WORK.
tshark_alone() {
    global=$("$TSHARK" -G folders 2>/dev/null | sed -n 's/^Global Lua Plugins:[[:space:]]*//p')
    mkdir -p "$WORK/home"
    HOME="$WORK/home" WIRESHARK_CONFIG_DIR="$WORK/home/wireshark" unshare -m sh -c '
        [ ! -d "$1" ] || mount -t tmpfs -o ro none "$1" || exit 125
        shift
        exec "$@"' sh "$global" "$TSHARK" -X lua_script:"$VANDREL_DISSECTOR" "$@"
}
