-- Family B block datagrams, all starting with 00 02 00 02 and the target's
-- MAC: read and restart requests (17 bytes), write requests (274 bytes, the
-- block from offset 16) and block replies (271 bytes, the block from offset
-- 15). A block's bytes read as keys through the library's field table:
-- block 0 holds the device's settings, block p + 1 those of serial port p.
return function(v)
    local t, w = v.tables.blocks, v.wire
    local M = {}
    local blocks, names = {}, {[t.restart_block] = "restart"}
    for _, row in ipairs(v.tables.fields) do
        blocks[row.block] = blocks[row.block] or {}
        table.insert(blocks[row.block], row)
        names[row.block] = row.block == 0 and "device" or ("port " .. (row.block - 1))
    end
    local f = {
        marker = v.field("bytes", "b.marker", "Marker"),
        mac = v.field("ether", "b.mac", "MAC address"),
        request = v.field("bytes", "b.request", "Request"),
        unread = v.field("bytes", "b.unread", "Not read"),
        block = v.field("uint8", "b.block", "Block", base.DEC, names),
        reserved = v.field("bytes", "b.reserved", "Reserved"),
        data = v.field("bytes", "b.data", "Block bytes"),
        trailer = v.field("bytes", "b.end", "End"),
        field = v.field("none", "b.field", "Field"),
        key = v.field("string", "b.key", "Key"),
        value = v.field("string", "b.value", "Value"),
    }
    local marker, read, write = w.unhex(t.marker), w.unhex(t.read), w.unhex(t.write)

    local function range_text(s, at)
        if s:byte(at + 1) == 0 then
            return "invalid"
        end
        return w.ip(s, at) .. "-" .. w.ip(s, at + 4)
    end

    -- The value text of a row whose bytes start at at, as the library reads it.
    local decode = {
        ["bit"] = function(s, at, row) return tostring(bit32.extract(s:byte(at + 1), row.bit)) end,
        ["text"] = function(s, at, row) return w.text(s, at, row.width) end,
        ["byte"] = function(s, at) return tostring(s:byte(at + 1)) end,
        ["word"] = function(s, at) return tostring(w.be(s, at, 2)) end,
        ["dword"] = function(s, at) return string.format("%d", w.signed32(w.be(s, at, 4))) end,
        ["ip address"] = function(s, at) return w.ip(s, at) end,
        ["mac address"] = function(s, at) return w.mac(s, at) end,
        ["ip range"] = range_text,
        ["host or ip"] = function(s, at, row)
            local text = w.text(s, at, row.width)
            if s:byte(at + 5) == 0 then
                return w.ip(s, at)
            elseif s:byte(at + 9) == 0 and not text:find(".", 1, true) then
                return range_text(s, at)
            end
            return text
        end,
    }

    -- The block's fields, starting at base in the datagram.
    local function add_fields(c, base, block, data_item)
        local rows = blocks[block]
        if not rows then
            return v.flag(data_item, "unknown", c.tvb(base - 1, 1), "block " .. block .. " holds no key of the "
                .. "field table")
        end
        local values = {}
        for _, row in ipairs(rows) do
            values[row.key] = decode[row.kind](c.s, base + row.offset, row)
        end
        for _, row in ipairs(rows) do
            local range = c.tvb(base + row.offset, row.width)
            local value, why = v.host_text(row, values[row.key], values)
            local item = data_item:add(f.field, range)
            item:add(f.key, range, row.key)
            item:add(f.value, range, value)
            item:set_text(row.key .. " = " .. value .. (why and (" (" .. why .. ")") or ""))
        end
    end

    local function request(c)
        local s, tvb, tree = c.s, c.tvb, c.tree
        local op = s:sub(11, 14)
        local item = tree:add(f.request, tvb(10, 4))
        if op ~= read and op ~= write then
            v.flag(item, "unknown", tvb(10, 4), "unknown request " .. w.hex(op))
            return v.kind(c, "family B request", "unknown")
        end
        local size = op == read and t.read_size or t.write_size
        local block = s:byte(15)
        item:append_text(op == read and " (read)" or " (write)")
        tree:add(f.block, tvb(14, 1))
        local kind = op == write and "block write request" or block == t.restart_block and "restart request"
            or "block read request"
        v.kind(c, kind, w.mac(s, 4) .. (kind == "restart request" and "" or (" block " .. block)))
        if #s < size then
            return v.flag(tree, "malformed", tvb(), string.format("%d bytes; a %s is %d", #s, kind, size))
        elseif #s > size then
            v.flag(tree, "unexpected", tvb(size), string.format("%d bytes after the request", #s - size))
        end
        tree:add(f.reserved, tvb(15, 1))
        if op == write then
            add_fields(c, 16, block, tree:add(f.data, tvb(16, t.block_size)))
        end
        tree:add(f.trailer, tvb(size - 2, 2))
    end

    local function reply(c)
        local s, tvb, tree = c.s, c.tvb, c.tree
        tree:add(f.unread, tvb(10, 4))
        tree:add(f.block, tvb(14, 1))
        local block = s:byte(15)
        v.kind(c, "block reply", string.format("%s block %d", w.mac(s, 4), block))
        if #s < t.reply_size then
            return v.flag(tree, "malformed", tvb(), string.format("%d bytes; a block reply is %d: the library "
                .. "ignores it", #s, t.reply_size))
        elseif block >= t.slots then
            v.flag(tree, "unexpected", tvb(14, 1), "a block number the library does not keep: it ignores the reply")
        end
        add_fields(c, 15, block, tree:add(f.data, tvb(15, t.block_size)))
    end

    function M.dissect(c)
        local s, tvb, tree = c.s, c.tvb, c.tree
        if #s < 15 then
            v.flag(tree, "malformed", tvb(), #s .. " bytes: too short for a family B datagram")
            return v.kind(c, "family B datagram", "cut short")
        end
        local item = tree:add(f.marker, tvb(0, 4))
        if s:sub(1, 4) ~= marker then
            v.flag(item, "malformed", tvb(0, 4), "a family B datagram starts with 00 02 00 02")
        end
        tree:add(f.mac, tvb(4, 6))
        if c.to_device then
            request(c)
        else
            reply(c)
        end
    end

    return M
end
