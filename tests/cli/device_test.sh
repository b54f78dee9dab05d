# vandrel restart, cmd and firmware: single commands through VD_SendCmd.
. "$(dirname "$0")/lib.sh"

test_restart_family_a() {
    start_standard_fleet
    run restart 127.0.0.2
    expect_status 0
    expect_out "^restart sent to 127\.0\.0\.2$"
    expect_sim_log "127\.0\.0\.2 +family-a +restart \(RESETDEV\)"
    run restart 127.0.0.4 --type 17 --json
    expect_status 0
    expect_out '"command": "RESETDEV"'
    expect_out '"transport": "udp"'
    expect_sim_log "127\.0\.0\.4 +family-a +restart \(RESETDEV\)"
}

test_restart_family_b_by_mac() {
    start_standard_fleet
    run restart 02:56:44:00:00:0A
    expect_status 0
    expect_out "^restart sent to 02:56:44:00:00:0A$"
    expect_sim_log "127\.0\.0\.10 +family-b +restart"
    run restart 127.0.0.10 --type 32
    expect_status 101
    expect_err "type 32 is family B, addressed by MAC"
}

test_cmd_over_tcp_reads_the_io_lines() {
    start_standard_fleet
    run cmd 127.0.0.3 GETADC --tcp
    expect_status 0
    expect_out "^GETADC: 1234,3071$"
    run cmd 127.0.0.3 GETIOSTAT --tcp --json
    expect_status 0
    expect_out '"reply": "5,160"'
    expect_out '"transport": "tcp"'
    expect_sim_log "127\.0\.0\.3 +io-module +GETIOSTAT"
    # Nobody listens on TCP at 127.0.0.4.
    run cmd 127.0.0.4 GETADC --tcp
    expect_status 1
    expect_err "no connection, or the device did not answer"
}

test_cmd_by_type() {
    start_standard_fleet
    run cmd 127.0.0.3 RESETDEV10T 1
    expect_status 0
    expect_sim_log "127\.0\.0\.3 +family-a +restart \(RESETDEV10T\)"
    run cmd 127.0.0.3 10TCTRLIO 3
    expect_status 0
    expect_sim_log "127\.0\.0\.3 +family-a +10TCTRLIO"
    # RESETDEV10T is only for type 7; GETADC is a TCP command.
    run cmd 127.0.0.2 RESETDEV10T 1
    expect_status 1
    expect_err "the command was not sent"
    run cmd 127.0.0.2 GETADC
    expect_status 1
    run cmd 02:56:44:00:00:02 RESETDEV --type 5
    expect_status 101
    expect_err "type 5 is family A, addressed by IP"
}

test_firmware_download_and_erase_over_tcp() {
    start_standard_fleet
    head -c 1000 /dev/zero > "$WORK/app.bin"
    head -c 600 /dev/zero > "$WORK/boot.bin"
    run firmware download 127.0.0.2 --tcp "$WORK/app.bin" "$WORK/boot.bin"
    expect_status 0
    expect_out "^download acknowledged by 127\.0\.0\.2$"
    expect_err "downloading 2 image\(s\)"
    expect_sim_log "127\.0\.0\.2 +firmware +manifest of 2 image\(s\): app\.bin boot\.bin"
    expect_sim_log "firmware +chunk of image 0 at offset 512, 488 bytes"
    expect_sim_log "firmware +chunk of image 1 at offset 512, 88 bytes"
    run firmware erase 127.0.0.2 --tcp --json
    expect_status 0
    expect_out '"command": "ERASE"'
    expect_sim_log "127\.0\.0\.2 +firmware +erase \(empty manifest\)"
}

test_firmware_download_over_udp() {
    start_standard_fleet
    head -c 700 /dev/zero > "$WORK/fw.bin"
    run firmware download 127.0.0.4 --port 8810 "$WORK/fw.bin"
    expect_status 0
    expect_sim_log "127\.0\.0\.4 +firmware +manifest of 1 image\(s\): fw\.bin"
    expect_sim_log "firmware +chunk of image 0 at offset 512, 188 bytes"
}

test_firmware_failures() {
    start_standard_fleet
    head -c 1000 /dev/zero > "$WORK/app.bin"
    # Nobody takes firmware over TCP at 127.0.0.3.
    run firmware download 127.0.0.3 --tcp "$WORK/app.bin"
    expect_status 1
    expect_err "download failed"
    run firmware download 127.0.0.2 --tcp "$WORK/missing.bin"
    expect_status 1
    expect_err "cannot read the image file"
    head -c 114177 /dev/zero > "$WORK/big.bin"
    run firmware download 127.0.0.2 --tcp "$WORK/big.bin"
    expect_status 1
    expect_err "the images take 114688 bytes"
    expect_no_sim_log "firmware +manifest"
    run firmware download 127.0.0.2 "$WORK/app.bin" "$WORK/app.bin" "$WORK/app.bin" "$WORK/app.bin" \
        "$WORK/app.bin" "$WORK/app.bin"
    expect_status 2
    expect_err "at most 5 images"
}

run_case "$1"
