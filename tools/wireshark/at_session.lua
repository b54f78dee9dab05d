-- The AT-command session, text lines ending in CR LF. The host sends
-- "AT" (the login check), "AT+KEY?" (read), "AT+KEY=VALUE" (write; LOGIN,
-- RESET, MODE and ECHO are keys of their own) and "AT+EXIT"; the device
-- answers "OK", "ERROR", a value line +KEY:"VALUE", or one of its error texts.
-- Destination values ("_D1", "_D2") travel as hex text and reach the host
-- as decimal numbers.
return function(v)
    local M = {}
    local f = {
        line = v.field("string", "at.line", "Line"),
        command = v.field("string", "at.command", "Command"),
        key = v.field("string", "at.key", "Key"),
        value = v.field("string", "at.value", "Value"),
        result = v.field("string", "at.result", "Result"),
        error = v.field("uint8", "at.error", "Library result", base.DEC),
    }
    -- The device's error texts, searched in this order, and what the library
    -- returns for each.
    local errors = {
        {"0_Command Invalid", 106, "invalid command"},
        {"1_No Lgin", 105, "not logged in"},
        {"2_Password Error", 102, "wrong password"},
        {"3_Parameter Format Error", 107, "parameter format error"},
        {"4_Parameter Number Error", 108, "parameter number error"},
    }
    local commands = {LOGIN = "login", RESET = "reset", EXIT = "exit"}

    -- The host's value of a destination: the hex text from its third
    -- character on, as a decimal number.
    local function host_value(key, value)
        if (key:find("_D1", 1, true) or key:find("_D2", 1, true)) and value ~= "invalid" then
            local n = tonumber(value:sub(3):match("^%x+") or "", 16)
            return n and string.format("%d", n)
        end
    end

    local function command(item, range, line)
        local key, op, value = line:match("^AT%+([^?=]+)([?=]?)(.*)$")
        local name = line == "AT" and "login check" or key and (op == "?" and "read" or op == "=" and "write"
            or commands[key]) or nil
        if not name or (op == "?" and value ~= "") then
            v.flag(item, "unknown", range, "not an AT command of the library")
            return line
        end
        name = op == "=" and commands[key] or name
        item:add(f.command, range, name)
        if key then
            item:add(f.key, range, key)
        end
        if op == "=" then
            item:add(f.value, range, value)
            local decimal = host_value(key, value)
            if decimal then
                item:append_text(" (" .. decimal .. ")")
            end
        end
        if commands[key] then
            return name .. (op == "=" and (" " .. value) or "")
        end
        return name .. (key and (" " .. key) or "") .. (op == "=" and ("=" .. value) or "")
    end

    local function answer(item, range, line)
        if line == "OK" or line == "ERROR" then
            item:add(f.result, range, line)
            if line == "ERROR" then
                v.flag(item, "device_error", range, "ERROR: a wrong password at the login check")
            end
            return line
        end
        for _, e in ipairs(errors) do
            if line:find(e[1], 1, true) then
                item:add(f.result, range, e[3])
                item:add(f.error, range, e[2])
                v.flag(item, "device_error", range, "device error: " .. e[3])
                return e[3]
            end
        end
        local key, quoted = line:match("^%+([^:]+):(\".*)$")
        if key then
            local first, last = quoted:find('"', 1, true), quoted:match('^.*()"')
            local value = last > first and quoted:sub(first + 1, last - 1) or quoted:sub(first + 1)
            local decimal = host_value(key, value)
            item:add(f.key, range, key)
            item:add(f.value, range, decimal or value)
            return key .. " = " .. (decimal or value)
        end
        return line
    end

    function M.dissect(c)
        local s, pos, parts = c.s, 0, {}
        while pos < #s do
            local eol = s:find("\r\n", pos + 1, true)
            local stop = eol and eol + 1 or #s
            local line = s:sub(pos + 1, eol and eol - 1 or #s)
            local range = c.tvb(pos, stop - pos)
            if line ~= "" then
                local item = c.tree:add(f.line, range, line)
                if not eol then
                    v.flag(item, "unexpected", range, "a line without CR LF at its end")
                end
                parts[#parts + 1] = (c.to_device and command or answer)(item, range, line)
            end
            pos = stop
        end
        v.kind(c, c.to_device and "AT command" or "AT reply", table.concat(parts, ", "))
    end

    return M
end
