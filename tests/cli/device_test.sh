# vandrel restart, cmd and firmware: single commands through VD_SendCmd.
. "$(dirname "$0")/lib.sh"

# Which images fit a device is the library's rule (its unit tests hold each
# case); here that the tool refuses by it, and its own file errors, before
# anything is sent. Then the commands that are sent.
test_firmware_cmd_and_restart() {
    start_standard_fleet
    head -c 1000 /dev/zero > "$WORK/app.bin"
    expect_run 2 firmware download 127.0.0.2 --tcp "$WORK/missing.bin"
    expect_err "cannot read the image file"
    : > "$WORK/empty.bin"
    expect_run 2 firmware download 127.0.0.2 --tcp "$WORK/app.bin" "$WORK/empty.bin"
    expect_err "the image file '.*/empty\.bin' is empty"
    expect_run 2 firmware download 127.0.0.2 --tcp "$WORK"
    expect_err "is a directory, not a file"
    head -c 114177 /dev/zero > "$WORK/big.bin"
    expect_run 2 firmware download 127.0.0.2 --tcp "$WORK/big.bin"
    expect_err "the images take 114688 bytes"
    expect_no_sim_log "firmware +manifest"

    head -c 600 /dev/zero > "$WORK/boot.bin"
    expect_run 0 firmware download 127.0.0.2 --tcp "$WORK/app.bin" "$WORK/boot.bin"
    expect_sim_log "firmware +chunk of image 1 at offset 512, 88 bytes"
    expect_run 0 firmware erase 127.0.0.2 --tcp --json
    expect_out '"command": "ERASE"'
    expect_sim_log "127\.0\.0\.2 +firmware +erase \(empty manifest\)"

    # The IO lines over TCP.
    expect_run 0 cmd 127.0.0.3 GETADC --tcp
    expect_out "^GETADC: 1234,3071$"
    expect_run 0 cmd 127.0.0.3 GETIOSTAT --tcp --json
    expect_out '"reply": "5,160"'
    expect_out '"transport": "tcp"'

    # A restart by IP and by MAC.
    expect_run 0 restart 127.0.0.4 --type 17 --json
    expect_out '"command": "RESETDEV"'
    expect_out '"transport": "udp"'
    expect_sim_log "127\.0\.0\.4 +family-a +restart \(RESETDEV\)"
    expect_run 0 restart 02:56:44:00:00:0A
    expect_out "^restart sent to 02:56:44:00:00:0A$"
    expect_sim_log "127\.0\.0\.10 +family-b +restart"
}

run_case "$1"
