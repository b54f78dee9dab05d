# vandrel show and set over UDP: reading, writing and reading back, and the
# error paths (silent device, wrong password, wrong family).
. "$(dirname "$0")/lib.sh"

test_show_family_a_by_ip() {
    start_standard_fleet
    run show 127.0.0.2
    expect_status 0
    expect_out "^127\.0\.0\.2  type 5 \(A, serial\)$"
    expect_out "^NAME +serial-5$"
    expect_out "^C1_D1 +5$"
    expect_out "^C1_D2 +invalid$"
    expect_out "^IP_MODE +1$"
    expect_out "^VERSION +V1\.05$"
    expect_no_out "^PASS"
    expect_no_out "ENABLEST"
    expect_sim_log "127\.0\.0\.2 +family-a +information request from 127\.0\.0\.1"
}

test_show_each_type_group() {
    start_standard_fleet
    run show 127.0.0.3 --type 7
    expect_status 0
    expect_out "^10TIO +0$"
    expect_out "^PACKETINT +10$"
    run show 127.0.0.4 --type 17
    expect_status 0
    expect_out "^CANBAUD1 +250000$"
    expect_out "^CANEXTFTIDAREA +536870911$"
    expect_no_out "^C1_BAUD"
}

test_show_named_keys_password_and_json() {
    start_standard_fleet
    run show 127.0.0.2 NAME C1_BAUD --json
    expect_status 0
    expect_out '"ip": "127\.0\.0\.2"'
    expect_out '"NAME": "serial-5"'
    expect_out '"C1_BAUD": "9"'
    expect_no_out '"IP"'
    run show 127.0.0.2 --with-password
    expect_status 0
    expect_out "^PASS +admin$"
    run show 127.0.0.2 NAME NOSUCHKEY PASS
    expect_status 1
    expect_out "^NAME +serial-5$"
    expect_err "not reported by the device: NOSUCHKEY, PASS"
}

test_set_family_a_and_read_back() {
    start_standard_fleet
    run set 127.0.0.2 --password admin NAME=pump-1 C1_BAUD=7 C1_D1=invalid C1_D2=12 IP_MODE=0
    expect_status 0
    expect_out "^NAME +pump-1$"
    expect_out "read back with 'vandrel show'"
    expect_sim_log "127\.0\.0\.2 +family-a +write of items"
    run show 127.0.0.2 NAME C1_BAUD C1_D1 C1_D2 IP_MODE --json
    expect_status 0
    expect_out '"NAME": "pump-1"'
    expect_out '"C1_BAUD": "7"'
    expect_out '"C1_D1": "invalid"'
    expect_out '"C1_D2": "12"'
    expect_out '"IP_MODE": "0"'
}

test_show_family_b_by_mac() {
    start_standard_fleet
    run show 02:56:44:00:00:0c
    expect_status 0
    expect_out "^02:56:44:00:00:0C  type 48 \(B, 4 ports\)$"
    expect_out "^NAME +four-ports$"
    expect_out "^C4_BAUD +115200$"
    expect_out "^C1_D1 +5$"
    expect_out "^C1_D2 +invalid$"
    expect_out "^IPF1 +invalid$"
    expect_no_out "ENABLEST|ENIPFILTER|^PASS"
    expect_sim_log "127\.0\.0\.12 +family-b +read of block 5"
    run show 02-56-44-00-00-0A --type 32 C1_BAUD --json
    expect_status 0
    expect_out '"mac": "02:56:44:00:00:0A"'
    expect_out '"C1_BAUD": "115200"'
}

test_set_family_b_and_read_back() {
    start_standard_fleet
    run set 02:56:44:00:00:0C --password admin NAME=pump-4 C3_BAUD=9600 C2_D2=7 IPF2=127.0.0.1-127.0.0.9
    expect_status 0
    expect_sim_log "127\.0\.0\.12 +family-b +write of block 0"
    expect_sim_log "127\.0\.0\.12 +family-b +write of block 3"
    expect_sim_log "127\.0\.0\.12 +family-b +write of block 4"
    expect_sim_log "127\.0\.0\.12 +family-b +restart"
    run show 02:56:44:00:00:0C NAME C3_BAUD C2_D2 IPF2 C1_BAUD
    expect_status 0
    expect_out "^NAME +pump-4$"
    expect_out "^C3_BAUD +9600$"
    expect_out "^C2_D2 +7$"
    expect_out "^IPF2 +127\.0\.0\.1-127\.0\.0\.9$"
    expect_out "^C1_BAUD +115200$"
}

test_wrong_password_writes_nothing() {
    start_standard_fleet
    run set 127.0.0.2 --password nimda NAME=intruder
    expect_status 102
    expect_err "127\.0\.0\.2: wrong password"
    run set 02:56:44:00:00:0C --password nimda NAME=intruder
    expect_status 102
    expect_no_sim_log "write of"
    run show 127.0.0.2 NAME
    expect_out "^NAME +serial-5$"
}

test_wrong_family_sends_nothing() {
    start_standard_fleet
    run show 127.0.0.2 --type 48
    expect_status 101
    expect_err "wrong device family for this command \(type 48 is family B, addressed by MAC\)"
    run show 02:56:44:00:00:02 --type 5 --json
    expect_status 101
    expect_out '"code": 101'
    run set 127.0.0.12 --type 48 --password admin NAME=x
    expect_status 101
    expect_err "type 48 is family B, addressed by MAC"
    expect_no_sim_log "information request|read of block|write of"
}

test_silent_devices() {
    start_sim <<'FLEET'
family-a  127.0.0.2  type=5 silent=yes
family-b  127.0.0.12 type=48 silent=yes
FLEET
    run show 127.0.0.2 --type 5
    expect_status 100
    expect_err "127\.0\.0\.2: device did not answer"
    run show 127.0.0.2
    expect_status 100
    expect_err "did not answer a search, so its type is unknown \(pass --type\)"
    run set 127.0.0.2 --type 5 --password admin NAME=x --json
    expect_status 100
    expect_out '"error": "127\.0\.0\.2: device did not answer"'
    run show 02:56:44:00:00:0C --type 48
    expect_status 100
    expect_err "02:56:44:00:00:0C: device did not answer"
}

run_case "$1"
