-- IO command packets, the same framing both ways: AA, command code, payload
-- length n, n payload bytes, a check byte (the XOR of everything before it),
-- 0D. A reply carries the code of the request it answers; the "GETADC" and
-- "GETIOSTAT" replies carry two readings. A TCP segment may hold several
-- packets, and bytes between them, which the library skips.
return function(v)
    local t, w = v.tables.io_commands, v.wire
    local M = {start = v.tables.io_start}
    local names = {}
    for code, command in pairs(t) do
        names[code] = command.name
    end
    local f = {
        packet = v.field("none", "io.packet", "Command packet"),
        start = v.field("uint8", "io.start", "Start", base.HEX),
        cmd = v.field("uint8", "io.cmd", "Command", base.DEC, names),
        length = v.field("uint8", "io.length", "Payload length"),
        payload = v.field("bytes", "io.payload", "Payload"),
        readings = v.field("string", "io.readings", "Readings"),
        checksum = v.field("uint8", "io.checksum", "Check byte", base.HEX),
        checksum_good = v.field("bool", "io.checksum.good", "Check byte correct"),
        stop = v.field("uint8", "io.end", "End", base.HEX),
        stray = v.field("bytes", "io.stray", "Bytes outside a packet"),
    }

    local function add_packet(c, pos, n)
        local s, tvb = c.s, c.tvb
        local code = w.u8(s, pos + 1)
        local command = t[code]
        local item = c.tree:add(f.packet, tvb(pos, n + 5))
        item:add(f.start, tvb(pos, 1))
        item:add(f.cmd, tvb(pos + 1, 1))
        item:add(f.length, tvb(pos + 2, 1))
        local text = command and command.name or string.format("0x%02X", code)
        if n > 0 then
            item:add(f.payload, tvb(pos + 3, n))
        end
        if not command then
            v.flag(item, "unknown", tvb(pos + 1, 1), string.format("unknown command code %d", code))
        elseif not c.to_device and command.reading_width > 0 then
            local width = command.reading_width
            if n < 2 * width then
                v.flag(item, "malformed", tvb(pos + 2, 1), string.format("%d payload bytes; the readings need %d",
                    n, 2 * width))
            else
                local readings = string.format("%d,%d", w.be(s, pos + 3, width), w.be(s, pos + 3 + width, width))
                item:add(f.readings, tvb(pos + 3, 2 * width), readings)
                text = text .. " " .. readings
            end
        elseif c.to_device and command.parameter and n > 0 then
            text = text .. " " .. w.u8(s, pos + 3)
        end
        local check = 0
        for i = pos + 1, pos + n + 3 do
            check = bit32.bxor(check, s:byte(i))
        end
        local good = check == w.u8(s, pos + n + 3)
        item:add(f.checksum, tvb(pos + n + 3, 1))
        item:add(f.checksum_good, tvb(pos + n + 3, 1), good):set_generated()
        if not good then
            v.flag(item, "checksum", tvb(pos + n + 3, 1), string.format("check byte 0x%02X, should be 0x%02X: the "
                .. "library skips this packet", w.u8(s, pos + n + 3), check))
        end
        local stop = tvb(pos + n + 4, 1)
        item:add(f.stop, stop)
        if w.u8(s, pos + n + 4) ~= v.tables.io_end then
            v.flag(item, "unexpected", stop, string.format("the packet ends with %02X, not %02X",
                w.u8(s, pos + n + 4), v.tables.io_end))
        end
        item:set_text("Command packet " .. text)
        return text
    end

    function M.dissect(c)
        local s, pos, parts = c.s, 0, {}
        while pos < #s do
            local start = s:find(string.char(M.start), pos + 1, true)
            if start ~= pos + 1 then
                local stop = start and start - 1 or #s
                v.flag(c.tree:add(f.stray, c.tvb(pos, stop - pos)), "unexpected", c.tvb(pos, stop - pos),
                    "bytes outside a command packet: the library skips them")
                pos = stop
            elseif pos + 5 > #s or pos + w.u8(s, pos + 2) + 5 > #s then
                v.flag(c.tree, "malformed", c.tvb(pos), "a command packet runs past the end of the segment")
                parts[#parts + 1] = "cut short"
                break
            else
                local n = w.u8(s, pos + 2)
                parts[#parts + 1] = add_packet(c, pos, n)
                pos = pos + n + 5
            end
        end
        v.kind(c, c.to_device and "IO command" or "IO reply", table.concat(parts, ", "))
    end

    return M
end
