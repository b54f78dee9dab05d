-- Vandrel's device protocols for Wireshark 4.0:
--   UDP 8800  family A item datagrams, search replies, firmware packets
--   UDP 8801  family B block datagrams
--   TCP 8800  the AT-command session, IO command packets, firmware packets
--             and the raw bytes of a data channel
-- Other ports: Decode As, "VANDREL". The build puts the other files of this
-- folder, and the tables printed from the library, into `modules` above this
-- file, making one plugin file.
local function load(name)
    return modules[name]()
end

local tables = load("tables")
if set_plugin_info then
    set_plugin_info({version = tables.version, description = "Vandrel device protocols"})
end

local proto = Proto("vandrel", "Vandrel device protocols")
local v = {tables = tables, wire = load("wire"), fields = {}, experts = {}}

function v.field(type, abbr, name, ...)
    local f = ProtoField[type]("vandrel." .. abbr, name, ...)
    v.fields[#v.fields + 1] = f
    return f
end

local function new_expert(abbr, text, group, severity)
    local e = ProtoExpert.new("vandrel." .. abbr, text, expert.group[group], expert.severity[severity])
    v.experts[#v.experts + 1] = e
    return e
end

v.expert = {
    malformed = new_expert("malformed", "Malformed packet", "MALFORMED", "ERROR"),
    unknown = new_expert("unknown", "Unknown code", "UNDECODED", "WARN"),
    unexpected = new_expert("unexpected", "Unexpected value", "PROTOCOL", "WARN"),
    checksum = new_expert("checksum", "Wrong check byte", "CHECKSUM", "ERROR"),
    device_error = new_expert("device_error", "Device error reply", "RESPONSE_CODE", "NOTE"),
    fault = new_expert("fault", "Dissector fault", "MALFORMED", "ERROR"),
}

-- Marks tree (over range, when given) with an expert item of the given kind.
function v.flag(tree, kind, range, text)
    if range then
        tree:add_tvb_expert_info(v.expert[kind], range, text)
    else
        tree:add_proto_expert_info(v.expert[kind], text)
    end
end

-- The text the library hands its host for a key of either family, and why
-- it differs from the device's value: "invalid" while the bit of the key's
-- enable key (values, by key) is 0; the value, noted, for a hidden key.
function v.host_text(row, value, values)
    local enable = row.enable and values[row.enable]
    if enable and bit32.band(v.wire.atoi(enable), 2 ^ row.enable_bit) == 0 then
        return "invalid", string.format("device byte %s; bit %d of %s is 0", value, row.enable_bit, row.enable)
    end
    return value, row.hidden and "hidden from the host" or nil
end

local f_kind = v.field("string", "kind", "Kind")

-- Shows the kind of a packet (or of its first unit, for a TCP segment that
-- carries several) and a summary in the Info column.
function v.kind(c, kind, summary)
    c.tree:add(f_kind, c.tvb(), kind):set_generated()
    local text = summary and (kind .. ": " .. summary) or kind
    if c.summary then
        c.summary = c.summary .. "; " .. text
    else
        c.summary = text
    end
    c.pinfo.cols.info:set(c.summary)
end

-- What earlier packets taught: the last request of each client endpoint,
-- each device's type code, each TCP stream's protocol. Read and written
-- only on a frame's first dissection; later ones replay what it saw.
local state
local function forget()
    state = {requests = {}, types = {}, streams = {}, frames = {}}
end
forget()
proto.init = forget

function v.once(c, what, compute)
    local key = c.pinfo.number .. "/" .. what
    local value = state.frames[key]
    if value == nil then
        value = compute(state)
        state.frames[key] = value
    end
    return value
end

function v.learn(c, update)
    if not c.pinfo.visited then
        update(state)
    end
end

local family_a = load("family_a")(v)
local firmware = load("firmware")(v)
local family_b = load("family_b")(v)
local at_session = load("at_session")(v)
local io_packets = load("io_packets")(v)
local f_data = v.field("bytes", "data", "Data channel bytes")

local function data_channel(c)
    v.kind(c, "data channel", c.tvb:len() .. " bytes")
    c.tree:add(f_data, c.tvb())
end

-- Family B on its port (or on another port given to Decode As, where it is
-- told apart from a search reply by its length); family A otherwise.
local function udp(c)
    local s, port = c.s, c.pinfo.match_uint
    local marked = v.wire.starts(s, v.wire.unhex(tables.blocks.marker))
    if port == tables.blocks.port or (port ~= tables.item_port and marked and #s ~= tables.search_reply_size) then
        family_b.dissect(c)
    elseif v.wire.starts(s, firmware.magic) then
        firmware.packets(c, 0)
    elseif c.to_device or marked or s:byte(1) == tables.item_start then
        family_a.dissect(c)
    else
        firmware.answer(c)
    end
end

-- A TCP stream's protocol is told by what the host sends first.
local function stream_of(s)
    if v.wire.starts(s, firmware.magic) then
        return "firmware"
    elseif s:byte(1) == io_packets.start then
        return "io"
    elseif s:sub(1, 2) == "AT" then
        return "at"
    end
end

local function tcp(c)
    local s = c.s
    local stream = v.once(c, "stream", function(st)
        local seen = c.to_device and stream_of(s)
        if seen then
            st.streams[c.client] = seen
        end
        return seen or st.streams[c.client] or false
    end)
    if not stream and not c.to_device then
        stream = (s:byte(1) == io_packets.start and "io") or (s:find("\r\n", 1, true) and "at")
    end
    if stream == "firmware" then
        if c.to_device then firmware.packets(c, 0) else firmware.answer(c) end
    elseif stream == "io" then
        io_packets.dissect(c)
    elseif stream == "at" then
        at_session.dissect(c)
    else
        data_channel(c)
    end
end

local udp_port = Field.new("udp.srcport")

function proto.dissector(tvb, pinfo, tree)
    pinfo.cols.protocol = "Vandrel"
    pinfo.cols.info:clear()
    local root = tree:add(proto, tvb())
    local to_device = pinfo.dst_port == pinfo.match_uint
    local client = to_device and pinfo.src or pinfo.dst
    local c = {
        tvb = tvb, s = tvb:raw(), pinfo = pinfo, tree = root, to_device = to_device,
        client = tostring(client) .. ":" .. (to_device and pinfo.src_port or pinfo.dst_port),
        device = tostring(to_device and pinfo.dst or pinfo.src),
    }
    local ok, err = pcall(udp_port() and udp or tcp, c)
    if not ok then
        v.flag(root, "fault", nil, "dissector fault: " .. tostring(err))
    end
    return tvb:len()
end

proto.fields = v.fields
proto.experts = v.experts
local udp_ports = DissectorTable.get("udp.port")
udp_ports:add(tables.item_port, proto)
udp_ports:add(tables.blocks.port, proto)
DissectorTable.get("tcp.port"):add(tables.item_port, proto)
