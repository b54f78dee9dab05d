-- Firmware download packets, over UDP or TCP: a manifest that lists the
-- images (AA 55 10), then each image in chunks (AA 55 20); the device
-- answers every packet, and an answer whose last byte is 'k' acknowledges.
-- Sizes and load addresses in the manifest travel least significant byte
-- first, everything else most significant byte first.
return function(v)
    local t, w = v.tables.firmware, v.wire
    local M = {magic = w.unhex(t.magic)}
    local f = {
        magic = v.field("bytes", "fw.magic", "Magic"),
        type = v.field("uint8", "fw.type", "Packet type", base.HEX, {[t.manifest] = "manifest", [t.chunk] = "chunk"}),
        length = v.field("uint16", "fw.length", "Length"),
        zero = v.field("bytes", "fw.reserved", "Reserved"),
        count = v.field("uint16", "fw.count", "Image count"),
        separator = v.field("uint8", "fw.separator", "Separator", base.HEX),
        image = v.field("none", "fw.image", "Image"),
        name = v.field("string", "fw.name", "File name"),
        size = v.field("uint32", "fw.size", "Size"),
        address = v.field("uint32", "fw.address", "Load address", base.HEX),
        index = v.field("uint8", "fw.index", "Image index"),
        offset = v.field("uint32", "fw.offset", "Offset"),
        data = v.field("bytes", "fw.data", "Image bytes"),
        answer = v.field("string", "fw.answer", "Answer"),
        ack = v.field("bool", "fw.ack", "Acknowledged"),
    }

    local function manifest(c, pos, length)
        local s, tvb, tree = c.s, c.tvb, c.tree
        local count = w.be(s, pos + 7, 2)
        tree:add(f.count, tvb(pos + 7, 2))
        tree:add(f.separator, tvb(pos + 9, 1))
        if length ~= t.entry * count + 2 then
            v.flag(tree, "unexpected", tvb(pos + 3, 2), string.format("length %d for %d images, not %d", length,
                count, t.entry * count + 2))
        end
        if count > t.max_images then
            v.flag(tree, "unexpected", tvb(pos + 7, 2), string.format("%d images; the library sends at most %d",
                count, t.max_images))
        end
        local names = {}
        for i = 0, count - 1 do
            local at = pos + 10 + i * t.entry
            if at + t.entry > #s then
                v.flag(tree, "malformed", tvb(pos), string.format("image %d of %d runs past the end", i + 1, count))
                break
            end
            local name = w.text(s, at, t.entry_name)
            local image = tree:add(f.image, tvb(at, t.entry))
            image:add(f.name, tvb(at, t.entry_name), name)
            image:add_le(f.size, tvb(at + 16, 4))
            image:add_le(f.address, tvb(at + 20, 4))
            image:set_text(string.format("Image %d: %s, %d bytes at 0x%X", i, name, w.le(s, at + 16, 4),
                w.le(s, at + 20, 4)))
            names[#names + 1] = name
        end
        v.kind(c, "firmware manifest", count == 0 and "erase" or table.concat(names, ", "))
    end

    local function chunk(c, pos, size)
        local tvb, tree = c.tvb, c.tree
        local k, index, offset = size - t.chunk_header, w.u8(c.s, pos + 7), w.be(c.s, pos + 10, 4)
        tree:add(f.index, tvb(pos + 7, 1))
        tree:add(f.zero, tvb(pos + 8, 2))
        tree:add(f.offset, tvb(pos + 10, 4))
        if k > 0 then
            tree:add(f.data, tvb(pos + t.chunk_header, k))
        end
        if k < 1 or k > t.chunk_data then
            v.flag(tree, "unexpected", tvb(pos + 3, 2), string.format("%d image bytes; a chunk holds 1 to %d", k,
                t.chunk_data))
        end
        v.kind(c, "firmware chunk", string.format("image %d, bytes %d-%d", index, offset, offset + k - 1))
    end

    -- The packets from pos on (a TCP segment may hold several).
    function M.packets(c, pos)
        local s, tvb, tree = c.s, c.tvb, c.tree
        while pos < #s do
            if #s - pos < 10 or not w.starts(s:sub(pos + 1), M.magic) then
                v.flag(tree, "malformed", tvb(pos), "too short for a firmware packet, or no AA 55 start")
                return v.kind(c, "firmware packet", "cut short")
            end
            local type, length = w.u8(s, pos + 2), w.be(s, pos + 3, 2)
            local size = type == t.manifest and length + 8 or length + 11
            tree:add(f.magic, tvb(pos, 2))
            tree:add(f.type, tvb(pos + 2, 1))
            tree:add(f.length, tvb(pos + 3, 2))
            tree:add(f.zero, tvb(pos + 5, 2))
            if type ~= t.manifest and type ~= t.chunk then
                v.flag(tree, "unknown", tvb(pos + 2, 1), string.format("unknown firmware packet type 0x%02X", type))
                return v.kind(c, "firmware packet")
            elseif pos + size > #s or (type == t.chunk and size < t.chunk_header) then
                v.flag(tree, "malformed", tvb(pos), string.format("the packet announces %d bytes; %d are there",
                    size, #s - pos))
                return v.kind(c, type == t.manifest and "firmware manifest" or "firmware chunk", "cut short")
            end
            if type == t.manifest then
                manifest(c, pos, length)
            else
                chunk(c, pos, size)
            end
            pos = pos + size
        end
    end

    function M.answer(c)
        if #c.s == 0 then
            return v.kind(c, "firmware answer", "empty")
        end
        local ack = c.s:byte(-1) == t.ack
        c.tree:add(f.answer, c.tvb(), c.s)
        c.tree:add(f.ack, c.tvb(#c.s - 1, 1), ack)
        if not ack then
            v.flag(c.tree, "device_error", c.tvb(), "not an acknowledgement (the last byte is not 'k'): the "
                .. "download stops")
        end
        v.kind(c, "firmware answer", ack and "acknowledged" or "refused")
    end

    return M
end
