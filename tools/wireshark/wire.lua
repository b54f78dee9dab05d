-- Reading a packet's bytes, held as a Lua string, at 0-based offsets. The
-- decoders check that what they read lies inside the packet before reading.
local wire = {}

function wire.u8(s, pos)
    return s:byte(pos + 1)
end

-- An unsigned number of n bytes (at most 4), most significant byte first.
function wire.be(s, pos, n)
    local value = 0
    for i = 1, n do
        value = value * 256 + s:byte(pos + i)
    end
    return value
end

function wire.le(s, pos, n)
    local value = 0
    for i = n, 1, -1 do
        value = value * 256 + s:byte(pos + i)
    end
    return value
end

function wire.ip(s, pos)
    return string.format("%d.%d.%d.%d", s:byte(pos + 1, pos + 4))
end

function wire.mac(s, pos)
    return string.format("%02X:%02X:%02X:%02X:%02X:%02X", s:byte(pos + 1, pos + 6))
end

-- The n bytes at pos up to the first zero byte.
function wire.text(s, pos, n)
    local t = s:sub(pos + 1, pos + n)
    local nul = t:find("\0", 1, true)
    return nul and t:sub(1, nul - 1) or t
end

function wire.hex(s)
    return (s:gsub(".", function(ch) return string.format("%02X ", ch:byte()) end):sub(1, -2))
end

-- "0002" to the bytes 00 02.
function wire.unhex(h)
    return (h:gsub("%x%x", function(x) return string.char(tonumber(x, 16)) end))
end

function wire.starts(s, prefix)
    return s:sub(1, #prefix) == prefix
end

-- The number at the start of a text, as the C library's atoi reads it.
function wire.atoi(text)
    return tonumber(text:match("^%s*[-+]?%d+") or "0") or 0
end

-- A signed 32-bit number from its unsigned value.
function wire.signed32(value)
    return value >= 0x80000000 and value - 0x100000000 or value
end

return wire
