-- Family A datagrams: items (A1, code, n, n data bytes, FF) back to back,
-- with 0xFF padding behind short requests, and the fixed 25-byte search
-- reply. An item code reads as a key through the library's item table, in
-- the type group of the device's type code as the library knows it (from
-- "TYPE" items and search replies), and its value as the key/value text the
-- library hands to its host.
return function(v)
    local t, w = v.tables, v.wire
    local M = {}
    local f = {
        item = v.field("none", "item", "Item"),
        start = v.field("uint8", "item.start", "Item start", base.HEX),
        code = v.field("uint8", "item.code", "Item code", base.HEX),
        length = v.field("uint8", "item.length", "Data length", base.DEC),
        data = v.field("bytes", "item.data", "Data"),
        item_end = v.field("uint8", "item.end", "Item end", base.HEX),
        key = v.field("string", "item.key", "Key"),
        value = v.field("string", "item.value", "Value"),
        padding = v.field("bytes", "padding", "Padding"),
        marker = v.field("bytes", "search.marker", "Marker"),
        mac = v.field("ether", "search.mac", "MAC address"),
        type = v.field("uint8", "search.type", "Device type"),
        code2 = v.field("uint8", "search.code2", "Second code"),
        version = v.field("string", "search.version", "Version"),
        ip = v.field("ipv4", "search.ip", "IP address"),
        port = v.field("uint16", "search.port", "Port"),
        unread = v.field("bytes", "search.unread", "Not read"),
    }
    local widths = {byte = 1, word = 2, dword = 4, address = 4, ["word pair"] = 4, ["byte pair"] = 2, mac = 6}
    local marker = w.unhex(t.blocks.marker)

    local function group_of(type)
        return t.group_of_type[type] or t.serial_group
    end

    -- The first row for code in the group, as the library looks items up.
    local function row_for(code, group)
        for _, row in ipairs(t.items) do
            if row.code == code and bit32.band(row.groups, group) ~= 0 then
                return row
            end
        end
    end

    -- The value text of an item, as the library reads it: numbers take their
    -- kind's width from the data whatever n says; nil past the datagram.
    local function read(kind, s, pos, n)
        if kind == "text" then
            return w.text(s, pos, n):sub(1, t.text_limit)
        end
        if pos + widths[kind] > #s then
            return nil
        elseif kind == "address" then
            return w.ip(s, pos)
        elseif kind == "mac" then
            return w.mac(s, pos)
        elseif kind == "word pair" then
            return string.format("%d,%d", w.be(s, pos, 2), w.be(s, pos + 2, 2))
        elseif kind == "byte pair" then
            return string.format("%d,%d", w.u8(s, pos), w.u8(s, pos + 1))
        end
        return string.format("%d", w.be(s, pos, widths[kind]))
    end

    -- The text the host is handed for a key, and why it differs from the
    -- device's, by the library's rules.
    local function shown(row, value, values)
        if row.inverted then
            return w.atoi(value) == 0 and "1" or "0", "device byte " .. value
        end
        if row.key == "VERSION" then
            local n = w.atoi(value) + 100
            return string.format("V%d.%02d", math.floor(n / 100), n % 100), "device byte " .. value
        end
        return v.host_text(row, value, values)
    end

    -- The items of the datagram, up to the first that does not fit.
    local function split(c)
        local s, items, pos = c.s, {}, 0
        while pos < #s do
            if s:byte(pos + 1) == t.item_end and not s:find("[^\255]", pos + 1) then
                c.tree:add(f.padding, c.tvb(pos)):append_text(string.format(" (%d bytes)", #s - pos))
                break
            elseif s:byte(pos + 1) ~= t.item_start then
                v.flag(c.tree, "malformed", c.tvb(pos), string.format("byte 0x%02X at %d where an item should start",
                    s:byte(pos + 1), pos))
                break
            end
            local n = pos + 3 <= #s and w.u8(s, pos + 2)
            if not n or pos + n + 4 > #s then
                v.flag(c.tree, "malformed", c.tvb(pos), "an item runs past the end of the datagram: the library "
                    .. "stops decoding here")
                break
            end
            items[#items + 1] = {pos = pos, code = w.u8(s, pos + 1), n = n}
            pos = pos + n + 4
        end
        if #items == 0 then
            v.flag(c.tree, "malformed", nil, "no whole item")
        end
        return items
    end

    -- What an item of a request stands for: a request, a command or a key.
    local function label_request(it, group)
        if it.code == t.search_code then
            it.label = "search"
        elseif it.code == t.info_code then
            it.label = "information request"
        elseif t.commands[it.code] then
            it.label = t.commands[it.code]
            it.value = it.n > 0 and string.format("%d", it.byte) or ""
        else
            it.row = row_for(it.code, group)
            if it.row and it.row.access == "read only" then
                it.note = "read only: the library never sends it"
            end
        end
    end

    local function label_reply(it, group)
        local row = row_for(it.code, group)
        if row and row.access == "write only" then
            it.label, it.note = row.key, "write only: the library skips it in a reply"
        else
            it.row = row
        end
    end

    local function add_item(c, it, values)
        local s, tvb, key = c.s, c.tvb, it.row and it.row.key or it.label
        local ti = c.tree:add(f.item, tvb(it.pos, it.n + 4))
        local data = it.n > 0 and tvb(it.pos + 3, it.n) or tvb(it.pos + 2, 1)
        local value, why = it.value, it.note
        ti:add(f.start, tvb(it.pos, 1))
        ti:add(f.code, tvb(it.pos + 1, 1))
        if key then
            ti:add(f.key, tvb(it.pos + 1, 1), key)
        else
            v.flag(ti, "unknown", tvb(it.pos + 1, 1), string.format("unknown item code 0x%02X: %s", it.code,
                c.to_device and "the library never sends it" or "the library skips it"))
        end
        ti:add(f.length, tvb(it.pos + 2, 1))
        if it.n > 0 then
            ti:add(f.data, data)
        end
        if it.row then
            local width = widths[it.row.kind]
            if width and width ~= it.n then
                v.flag(ti, "unexpected", tvb(it.pos + 2, 1), string.format("%d data bytes for a %s of %d: the "
                    .. "library reads %d", it.n, it.row.kind, width, width))
            end
            if not value then
                v.flag(ti, "malformed", data, "the value runs past the end of the datagram: the library skips "
                    .. "the item")
            else
                value, why = shown(it.row, value, values)
            end
        end
        if value then
            ti:add(f.value, data, value)
        end
        local end_range = tvb(it.pos + 3 + it.n, 1)
        ti:add(f.item_end, end_range)
        if w.u8(s, it.pos + 3 + it.n) ~= t.item_end then
            v.flag(ti, "unexpected", end_range, string.format("the item ends with %02X, not FF%s",
                w.u8(s, it.pos + 3 + it.n), (it.pos == 0 and not c.to_device) and ": the library drops the "
                .. "datagram" or ""))
        end
        ti:set_text(key and (key .. (value and (" = " .. value) or "") .. (why and (" (" .. why .. ")") or ""))
            or string.format("Item 0x%02X: not in the item table for this device's type group", it.code))
    end

    local function summary(items)
        local parts = {}
        for _, it in ipairs(items) do
            local key = it.row and it.row.key or it.label or string.format("0x%02X", it.code)
            parts[#parts + 1] = it.value and (key .. "=" .. it.value) or key
        end
        return table.concat(parts, " ")
    end

    local function search_reply(c)
        local s, tvb, tree = c.s, c.tvb, c.tree
        local ip, type, v_byte = w.ip(s, 17), w.u8(s, 14), w.u8(s, 16)
        local version = string.format("%d.%02d", math.floor((v_byte + 100) / 100), (v_byte + 100) % 100)
        tree:add(f.marker, tvb(0, 4))
        tree:add(f.mac, tvb(4, 6))
        tree:add(f.unread, tvb(10, 4))
        tree:add(f.type, tvb(14, 1))
        tree:add(f.code2, tvb(15, 1))
        tree:add(f.version, tvb(16, 1), version)
        tree:add(f.ip, tvb(17, 4))
        tree:add(f.port, tvb(21, 2))
        tree:add(f.unread, tvb(23, 2))
        v.kind(c, "fixed search reply", string.format("%s %s type %d version %s", ip, w.mac(s, 4), type, version))
        v.learn(c, function(st) st.types[ip] = type end)
    end

    function M.dissect(c)
        if not c.to_device and w.starts(c.s, marker) then
            if #c.s == t.search_reply_size then
                return search_reply(c)
            end
            v.flag(c.tree, "malformed", c.tvb(), string.format("%d bytes that start like a fixed search reply of "
                .. "%d: the library drops them", #c.s, t.search_reply_size))
            return v.kind(c, "fixed search reply", "cut short")
        end
        local items = split(c)
        local type = v.once(c, "type", function(st) return st.types[c.device] or 0 end)
        local values, typed = {}, false
        for _, it in ipairs(items) do
            it.byte = it.n > 0 and w.u8(c.s, it.pos + 3)
            if c.to_device then
                label_request(it, group_of(type))
            else
                label_reply(it, group_of(type))
            end
            if it.row then
                it.value = read(it.row.kind, c.s, it.pos + 3, it.n)
                values[it.row.key] = values[it.row.key] or it.value
                if it.code == t.type_code and it.value and not c.to_device then
                    type, typed = tonumber(it.value), true
                end
            end
        end
        for _, it in ipairs(items) do
            add_item(c, it, values)
        end
        local first = items[1] or {}
        if c.to_device then
            local kind = "write request"
            if first.code == t.search_code then
                kind = "search request"
            elseif first.code == t.info_code then
                kind = "information request"
            elseif #items == 1 and t.commands[first.code] then
                kind = "command"
            end
            v.kind(c, kind, kind ~= "search request" and kind ~= "information request" and summary(items) or nil)
            v.learn(c, function(st) st.requests[c.client] = kind end)
        else
            local asked = v.once(c, "asked", function(st) return st.requests[c.client] or "" end)
            local kind = ({["search request"] = "search reply", ["information request"] = "information reply"})[asked]
            v.kind(c, kind or "item reply", string.format("%s, %d items", c.device, #items))
            v.learn(c, function(st) if typed then st.types[c.device] = type end end)
        end
    end

    return M
end
