// The dashboard's page: the devices table pushed by the server's event
// stream, one device's settings, operations on many devices, sessions and
// the history of writes, all through the JSON API under /api/.
'use strict';

const ROW_HEIGHT = 26;
const $ = (id) => document.getElementById(id);
const state = {
  devices: [],   // as /api/devices lists them
  shown: [],     // filtered and sorted
  selected: new Set(),
  drift: new Map(),  // the drift check's result by device address, in capitals
  sort: { key: 'ip', down: false },
  filter: '',
  operation: 0,  // the operation the many-devices view follows
  csrf: '',      // with users: the login's token, which every change carries
};
window.vdStats = { renderedAt: 0, rendered: 0 };

function escapeHtml(text) {
  return String(text).replace(/[&<>"']/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;' }[c]));
}

function keyOf(d) { return d.family === 'B' ? d.mac : d.ip; }

// The type as the tool names it ("5 (A, serial)"), from the server.
function typeText(d) { return d.type_text; }

function seenText(d) {
  return d.last_seen ? new Date(d.last_seen * 1000).toLocaleString(undefined, { dateStyle: 'short', timeStyle: 'medium' }) : '-';
}

async function api(method, path, body, raw) {
  const options = { method, headers: {} };
  if (state.csrf) options.headers['X-CSRF-Token'] = state.csrf;
  if (raw !== undefined) {
    options.body = raw;
    options.headers['Content-Type'] = 'application/octet-stream';
  } else if (body !== undefined) {
    options.body = JSON.stringify(body);
    options.headers['Content-Type'] = 'application/json';
  }
  const res = await fetch(path, options);
  // A login that has ended (idle, too old, logged out elsewhere): log in anew.
  if (res.status === 401 && state.csrf) location.href = '/login.html';
  let doc;
  try { doc = await res.json(); } catch (e) { doc = { error: 'no answer from the server (' + res.status + ')' }; }
  return { ok: res.ok, status: res.status, doc };
}

// ---- the devices table ----

function ipNumber(ip) { return ip.split('.').reduce((n, part) => n * 256 + Number(part), 0); }

function compare(a, b) {
  const k = state.sort.key;
  let r;
  if (k === 'ip') r = a.ipn - b.ipn;
  else if (k === 'type' || k === 'last_seen') r = a[k] - b[k];
  else if (k === 'online') r = (a.online === b.online) ? 0 : a.online ? -1 : 1;
  else r = String(a[k]).localeCompare(String(b[k]));
  if (r === 0 && k !== 'ip') r = a.ipn - b.ipn;
  return state.sort.down ? -r : r;
}

function prepare(devices) {
  for (const d of devices) {
    d.ipn = ipNumber(d.ip);
    d.drift = state.drift.get(d.ip) || state.drift.get(String(d.mac).toUpperCase()) || '';
    d.text = [d.ip, d.mac, d.type_text, 'family ' + d.family, d.version, d.name, d.online ? 'online' : 'offline', d.drift].join(' ').toLowerCase();
  }
  state.devices = devices.sort(compare);
}

function refilter() {
  const words = state.filter.toLowerCase().split(/\s+/).filter(Boolean);
  state.shown = words.length ? state.devices.filter((d) => words.every((w) => d.text.includes(w))) : state.devices;
  const online = state.devices.filter((d) => d.online).length;
  $('counts').textContent = state.devices.length + ' devices, ' + online + ' online, ' + (state.devices.length - online) +
    ' offline; ' + state.shown.length + ' shown, ' + state.selected.size + ' selected';
  $('spacer').style.height = (state.shown.length * ROW_HEIGHT) + 'px';
  draw();
}

function draw() {
  const scroll = $('scroll');
  const first = Math.max(0, Math.floor(scroll.scrollTop / ROW_HEIGHT) - 5);
  const last = Math.min(state.shown.length, first + Math.ceil(scroll.clientHeight / ROW_HEIGHT) + 10);
  let html = '';
  for (let i = first; i < last; i++) {
    const d = state.shown[i];
    const sel = state.selected.has(keyOf(d));
    html += '<div class="grid row' + (sel ? ' selected' : '') + '" data-i="' + i + '"><span><input type="checkbox" aria-label="select ' +
      escapeHtml(d.ip || d.mac) + '"' + (sel ? ' checked' : '') + '></span><span>' + escapeHtml(d.ip) + '</span><span>' + escapeHtml(d.mac) + '</span><span>' +
      escapeHtml(typeText(d)) + '</span><span>' + escapeHtml(d.version) + '</span><span>' + escapeHtml(d.name) +
      '</span><span>' + seenText(d) + '</span><span class="' + (d.online ? 'on">online' : 'off">offline') + '</span><span' +
      (d.drift === 'drift' ? ' class="drift">' : '>') + escapeHtml(d.drift) + '</span></div>';
  }
  // Only the rows in sight are drawn, moved down to where they belong.
  $('rows').style.top = (first * ROW_HEIGHT) + 'px';
  $('rows').innerHTML = html;
  window.vdStats = { renderedAt: Date.now(), rendered: state.shown.length };
}

function setSort(key) {
  state.sort = { key, down: state.sort.key === key ? !state.sort.down : false };
  for (const el of document.querySelectorAll('[data-sort]')) {
    el.classList.toggle('up', el.dataset.sort === key && !state.sort.down);
    el.classList.toggle('down', el.dataset.sort === key && state.sort.down);
  }
  state.devices.sort(compare);
  refilter();
}

function toggle(d, on) {
  const key = keyOf(d);
  if (on) state.selected.add(key); else state.selected.delete(key);
}

function onRowClick(event) {
  const row = event.target.closest('.row');
  if (!row) return;
  const d = state.shown[Number(row.dataset.i)];
  if (event.target.type === 'checkbox') {
    toggle(d, event.target.checked);
    refilter();
    return;
  }
  $('device-address').value = keyOf(d);
  show('device');
  readDevice(false);
}

// The event says only that the table changed; the table itself comes by a
// fetch, which the browser reads many times faster than one event of
// megabytes. Changes during a fetch are taken by one more fetch after it.
const table = { loading: false, stale: false };

async function loadDevices() {
  if (table.loading) { table.stale = true; return; }
  table.loading = true;
  try {
    do {
      table.stale = false;
      const res = await fetch('/api/devices', { cache: 'no-store' });
      if (!res.ok) break;
      const devices = await res.json();
      window.vdReceivedAt = Date.now();
      await loadDrift();
      prepare(devices);
      refilter();
    } while (table.stale);
  } catch (e) {
    $('live').textContent = 'reconnecting';
    $('live').className = 'offline';
  } finally {
    table.loading = false;
  }
}

// The drift check's verdicts, fetched with each table: a dashboard without
// a drift plan has none.
async function loadDrift() {
  const r = await api('GET', '/api/drift');
  state.drift = new Map();
  for (const d of (r.ok && r.doc.devices) || []) state.drift.set(String(d.device).toUpperCase(), d.result);
}

function listen() {
  const events = new EventSource('/api/events');
  events.addEventListener('devices', loadDevices);
  events.addEventListener('operations', (e) => showOperation(JSON.parse(e.data)));
  events.onopen = () => { $('live').textContent = 'live'; $('live').className = ''; };
  events.onerror = () => { $('live').textContent = 'reconnecting'; $('live').className = 'offline'; };
}

// ---- one device ----

let deviceDoc = null;

function message(id, text, ok) {
  const el = $(id);
  el.textContent = text;
  el.className = 'message ' + (ok ? 'ok' : 'error');
}

// Asks on the page (a modal dialog: the keyboard reaches it, Escape
// declines); resolves to true when the user confirms.
function ask(text, yes) {
  const dialog = $('confirm');
  $('confirm-text').textContent = text;
  $('confirm-yes').textContent = yes;
  dialog.returnValue = '';
  dialog.showModal();
  $('confirm-no').focus();
  return new Promise((resolve) => dialog.addEventListener('close', () => resolve(dialog.returnValue === 'yes'), { once: true }));
}

function errorText(doc) {
  let text = doc.error || 'failed';
  for (const r of doc.refused || []) text += '\n' + (r.reason || r.key);
  return text;
}

// keepResult: after a write, whose result stays in sight.
async function readDevice(keepResult) {
  const address = $('device-address').value.trim();
  $('device-title').textContent = address + ': reading...';
  $('settings').tBodies[0].innerHTML = '';
  if (!keepResult) $('diff').innerHTML = '';
  $('device-write').disabled = true;
  $('device-backup').href = '/api/devices/' + encodeURIComponent(address) + '/backup';
  loadHistory({ device: address, limit: 100 }, 'device-history', 'device-history-message');
  const r = await api('GET', '/api/devices/' + encodeURIComponent(address));
  if (!r.ok) {
    $('device-title').textContent = address;
    return message('device-message', errorText(r.doc));
  }
  deviceDoc = r.doc;
  $('device-title').textContent = address + ', type ' + r.doc.type;
  if (!keepResult) message('device-message', '', true);
  const meanings = await meaningsOf(r.doc.type);
  $('settings').tBodies[0].innerHTML = settingsHtml(r.doc.settings, meanings) +
    '<tr class="group"><th colspan="4">another key</th></tr><tr><td><input id="extra-key" placeholder="KEY" aria-label="another key">' +
    '</td><td></td><td><input id="extra-value" aria-label="its value"></td><td class="note" data-why=""></td></tr>';
}

// What the rules say of each key of a type (GET /api/rules/TYPE), by key.
async function meaningsOf(type) {
  const r = await api('GET', '/api/rules/' + encodeURIComponent(type));
  const byKey = {};
  for (const k of r.ok ? r.doc.keys : []) byKey[k.key] = k;
  return byKey;
}

// A value as the rules name it: "9 (115200 bit/s)".
function named(m, value) {
  const choice = m && (m.choices || []).find((c) => String(c.value) === value);
  return choice ? value + ' (' + choice.name + ')' : value;
}

// What edits a key: a list of its choices, a text box, or nothing for a key
// that is only shown.
function fieldOf(key, value, m) {
  if (m && m.read_only) return '<span class="note">read only</span>';
  const attrs = ' data-key="' + escapeHtml(key) + '" aria-label="' + escapeHtml(m ? m.label : key) + '"';
  if (!m || !(m.choices || []).length) return '<input' + attrs + ' value="' + escapeHtml(value) + '">';
  const known = m.choices.some((c) => String(c.value) === value);
  let options = known ? '' : '<option value="' + escapeHtml(value) + '" selected>' + escapeHtml(value) + ' (as read)</option>';
  for (const c of m.choices)
    options += '<option value="' + c.value + '"' + (String(c.value) === value ? ' selected' : '') + '>' +
      escapeHtml(c.value + ' = ' + c.name) + '</option>';
  return '<select' + attrs + '>' + options + '</select>';
}

function settingRow(key, value, m) {
  const about = m ? [m.description, m.takes && 'takes ' + m.takes].filter(Boolean).join('; ') : 'not a key the rules know';
  const now = named(m, value) + (m && m.unit && !(m.choices || []).length ? ' ' + m.unit : '');
  return '<tr><td>' + escapeHtml(m ? m.label : key) + '<div class="key">' + escapeHtml(key) + '</div></td><td>' +
    escapeHtml(now) + '</td><td>' + fieldOf(key, value, m) + '</td><td class="note" data-why="' +
    escapeHtml(key) + '">' + escapeHtml(about) + '</td></tr>';
}

// The settings under the rules' groups (device, network, port 1, ...),
// each group where the device first gave one of its keys.
function settingsHtml(settings, meanings) {
  const groups = new Map();
  for (const [key, value] of Object.entries(settings)) {
    const group = meanings[key] ? meanings[key].group : 'other';
    groups.set(group, (groups.get(group) || '') + settingRow(key, value, meanings[key]));
  }
  let html = '';
  for (const [group, rows] of groups) html += '<tr class="group"><th colspan="4">' + escapeHtml(group) + '</th></tr>' + rows;
  return html;
}

// Each refusal's reason beside its field.
function showRefusals(doc) {
  for (const r of doc.refused || []) {
    const cell = $('settings').querySelector('[data-why="' + CSS.escape(r.key || '') + '"]') ||
      $('settings').querySelector('[data-why=""]');
    if (!cell) continue;
    cell.textContent = r.reason || 'refused';
    cell.className = 'note why';
  }
}

function editedSettings() {
  const settings = {};
  for (const input of $('settings').querySelectorAll('[data-key]'))
    if (deviceDoc && input.value !== deviceDoc.settings[input.dataset.key]) settings[input.dataset.key] = input.value;
  const extra = $('extra-key') && $('extra-key').value.trim();
  if (extra) settings[extra] = $('extra-value').value;
  return settings;
}

function showDiff(doc) {
  let html = '<tr><th>Key</th><th>Now</th><th>New</th><th>Result</th></tr>';
  for (const c of doc.changes || [])
    html += '<tr><td>' + escapeHtml(c.key) + '</td><td>' + escapeHtml(c.from === null ? '-' : c.from) + '</td><td>' +
      escapeHtml(c.to) + '</td><td>' + escapeHtml(c.result || (c.stored !== undefined ? 'stored as ' + c.stored : '')) + '</td></tr>';
  $('diff').innerHTML = (doc.changes || []).length ? html : '';
}

async function writeDevice(path, body, dryRun, writeButton) {
  const address = $('device-address').value.trim();
  body.password = $('device-password').value;
  body.force = $('device-force').checked;
  body.dry_run = dryRun;
  const r = await api('POST', '/api/devices/' + encodeURIComponent(address) + path, body);
  showDiff(r.doc);
  showRefusals(r.doc);
  if (!r.ok) {
    writeButton.disabled = true;
    return message('device-message', errorText(r.doc));
  }
  const n = (r.doc.changes || []).length;
  writeButton.disabled = !dryRun || n === 0;
  message('device-message', dryRun ? (n ? n + ' to change: check them, then write' : 'the device already holds these values')
    : 'written and read back: ' + (r.doc.changes || []).map((c) => c.key + ' ' + c.result).join(', '), true);
  if (!dryRun) readDevice(true);
}

function checkSettings(dryRun) {
  const settings = editedSettings();
  if (!Object.keys(settings).length) return message('device-message', 'nothing changed');
  writeDevice('/settings', { settings }, dryRun, $('device-write'));
}

async function checkRestore(dryRun) {
  const file = $('device-restore').files[0];
  if (!file) return message('device-message', 'choose a backup file first');
  let backup;
  try { backup = JSON.parse(await file.text()); } catch (e) { return message('device-message', 'not a backup: ' + e.message); }
  writeDevice('/restore', { backup }, dryRun, $('restore-write'));
}

// ---- many devices ----

function selectedDevices() {
  return state.devices.filter((d) => state.selected.has(keyOf(d)));
}

// The selected devices; null, said, when there are none.
function selectedOrSaid() {
  const devices = selectedDevices();
  if (!devices.length) message('many-message', 'select devices in the table first');
  return devices.length ? devices : null;
}

// The selected devices once the user has confirmed what is done to them
// ({n} in text is their count); null when none is selected, or on a no.
async function confirmSelected(text, yes) {
  const devices = selectedOrSaid();
  if (!devices) return null;
  const n = devices.length === 1 ? '1 device' : devices.length + ' devices';
  return (await ask(text.replace('{n}', n), yes)) ? devices : null;
}

function planOf() {
  const settings = {};
  for (const line of $('plan-settings').value.split('\n')) {
    const at = line.indexOf('=');
    // "NAME = pump" means pump: the spaces around the sign are the user's layout.
    if (at > 0) settings[line.slice(0, at).trim()] = line.slice(at + 1).replace(/^ +| +$/g, '');
  }
  const devices = selectedDevices().map((d) => (d.family === 'B' ? { mac: d.mac, type: d.type } : { ip: d.ip, type: d.type }));
  return { password: $('plan-password').value, settings, devices };
}

function resultTable(rows) {
  let html = '<tr><th>Device</th><th>Type</th><th>Result</th><th>Detail</th></tr>';
  for (const r of rows)
    html += '<tr><td>' + escapeHtml(r.device) + '</td><td>' + escapeHtml(r.type) + '</td><td>' + escapeHtml(r.result) +
      '</td><td>' + escapeHtml(r.detail) + '</td></tr>';
  $('op-results').innerHTML = html;
}

async function checkPlan() {
  if (!selectedOrSaid()) return;
  const r = await api('POST', '/api/apply', { plan: planOf(), jobs: Number($('plan-jobs').value), force: $('plan-force').checked, dry_run: true });
  // A refused device shows the reasons, each in the tool's words.
  resultTable((r.doc.devices || []).map((d) => Object.assign({}, d, {
    detail: (d.refused || []).length ? d.refused.join('\n')
      : d.detail + (d.changes || []).map((c) => '; ' + c.key + ': ' + (c.from === null ? '-' : c.from) + ' -> ' + c.to).join(''),
  })));
  $('plan-apply').disabled = !r.ok;
  message('many-message', !r.doc.summary ? errorText(r.doc)
    : 'checked: ' + r.doc.summary + (r.ok ? '' : '; nothing is written while a device refuses'), r.ok);
}

async function startOperation(request) {
  const r = await request;
  if (!r.ok) return message('many-message', errorText(r.doc));
  state.operation = r.doc.operation;
  message('many-message', 'started', true);
}

function showOperation(all) {
  const op = all.find((o) => o.id === state.operation);
  if (!op) return;
  $('op-progress').hidden = false;
  $('op-progress').max = Math.max(1, op.total);
  $('op-progress').value = op.done;
  $('op-status').textContent = op.kind + ': ' + op.done + ' of ' + op.total + ' devices done' + (op.finished ? ' (finished)' : '') +
    (op.summary ? ': ' + op.summary : '');
  resultTable(op.devices);
  if (op.finished && op.check && op.check.error && !op.devices.length) message('many-message', errorText(op.check));
}

async function firmware() {
  const file = $('fw-file').files[0];
  if (!file) return message('many-message', 'choose an image file first');
  const devices = await confirmSelected('Download ' + file.name + ' to {n}?', 'Download');
  if (!devices) return;
  const query = new URLSearchParams({ devices: devices.map(keyOf).join(','), skip: $('fw-skip').value, transport: $('fw-transport').value,
    name: file.name });
  startOperation(api('POST', '/api/firmware?' + query, undefined, file));
}

// ---- the history of writes ----

// The rows of GET /api/audit into table (an element's id), newest first.
async function loadHistory(query, table, messageId) {
  const r = await api('GET', '/api/audit?' + new URLSearchParams(query));
  $(table).innerHTML = '';
  if (!r.ok) return message(messageId, errorText(r.doc));
  const writes = r.doc.writes.slice().reverse();
  message(messageId, writes.length ? writes.length + ' writes' + (r.doc.cut ? ', the newest only' : '') : 'no writes', true);
  let html = '<tr><th>Time</th><th>Actor</th><th>Channel</th><th>Device</th><th>MAC</th><th>Key</th><th>Before</th>' +
    '<th>After</th><th>Confirmed</th><th>Operation</th></tr>';
  for (const w of writes)
    html += '<tr>' + [w.time, w.actor, w.channel, w.device, w.mac, w.key, w.before || '-', w.after || '-',
      w.confirmed ? 'yes' : 'no', w.operation].map((t) => '<td>' + escapeHtml(t) + '</td>').join('') + '</tr>';
  if (writes.length) $(table).innerHTML = html;
}

function readHistory() {
  const query = { limit: 1000 };
  const device = $('history-device').value.trim(), since = $('history-since').value.trim();
  if (device) query.device = device;
  if (since) query.since = since;
  loadHistory(query, 'history', 'history-message');
}

// ---- the latest firmware rollout ----

const ROLLOUT_STATES = ['pending', 'downloading', 'restarting', 'updated', 'failed', 'offline'];
const rollout = { id: 0, timer: 0 };

function rolloutButtons(r) {
  $('rollout-pause').disabled = !r || r.state !== 'running';
  $('rollout-resume').disabled = !r || r.state !== 'paused';
  $('rollout-abort').disabled = !r || !['running', 'pausing', 'paused'].includes(r.state);
}

async function loadRollout() {
  const res = await api('GET', '/api/rollout');
  if (!res.ok) return message('rollout-message', errorText(res.doc));
  const r = res.doc.rollout;
  rolloutButtons(r);
  if (!r) return;
  rollout.id = r.id;
  $('rollout-title').textContent = 'Rollout ' + r.id + ' to version ' + r.version + ': ' + r.state;
  $('rollout-plan').textContent = 'Started ' + r.created + '; images ' + r.images.join(', ') + '; canary ' + r.canary +
    ', failure limit ' + r.max_failures;
  let waves = '<tr><th>Wave</th><th>Devices</th>' + ROLLOUT_STATES.map((s) => '<th>' + s + '</th>').join('') + '</tr>';
  for (const w of r.waves)
    waves += '<tr><td>' + w.wave + '</td><td>' + w.devices + '</td>' +
      ROLLOUT_STATES.map((s) => '<td>' + w.states[s] + '</td>').join('') + '</tr>';
  $('rollout-waves').innerHTML = waves;
  let devices = '<tr><th>IP</th><th>MAC</th><th>Wave</th><th>State</th><th>Before</th><th>After</th></tr>';
  for (const d of r.devices)
    devices += '<tr>' + [d.ip, d.mac || '-', d.wave, d.state, d.before || '-', d.after || '-']
      .map((t) => '<td>' + escapeHtml(t) + '</td>').join('') + '</tr>';
  $('rollout-devices').innerHTML = devices + (r.cut ? '<tr><td colspan="6">(the first 1,000 devices)</td></tr>' : '');
}

async function moveRollout(verb) {
  if (verb === 'abort' && !await ask('Abort rollout ' + rollout.id + '? Every device of a later wave stays as it is.', 'Abort')) return;
  const r = await api('POST', '/api/rollout/' + verb, { rollout: rollout.id });
  message('rollout-message', r.ok ? verb + ': asked' : errorText(r.doc), r.ok);
  loadRollout();
}

// ---- sessions ----

async function session(path, body) {
  body.host = $('s-host').value.trim();
  body.port = Number($('s-port').value);
  const r = await api('POST', path, body);
  $('session-log').textContent = transcript(r.doc);
}

const IO_ACTIONS = { ad: 'analogue inputs', state: 'IO lines', dir: 'direction set', level: 'output levels set' };

// A session's answer as a transcript: each thing asked, and what the device
// answered to it.
function transcript(doc) {
  if (!doc.host) return errorText(doc);
  const lines = [doc.host + ':' + doc.port + (doc.type ? ', type ' + doc.type : '')];
  for (const s of doc.steps || []) {
    const answer = s.result !== 1 ? s.status : s.op === 'get' ? s.value : 'OK';
    lines.push('> ' + (s.op === 'set' ? s.key + '=' + s.value : s.key) + '  ->  ' + answer);
  }
  for (const a of doc.actions || [])
    lines.push((IO_ACTIONS[a.action] || a.action) + ': ' + (a.result !== 1 ? 'failed (code ' + a.result + ')'
      : a.values ? a.values.join(', ') : a.value));
  if (doc.sent !== undefined) {
    lines.push('sent ' + doc.sent + ' bytes, received ' + doc.received + (doc.cut ? ' (cut at the limit)' : ''));
    if (doc.received) lines.push(doc.hex, doc.text);
  }
  if (doc.exit) lines.push('session ended');
  if (doc.error) lines.push('error: ' + doc.error);
  return lines.join('\n');
}

// ---- views ----

function show(view) {
  for (const b of document.querySelectorAll('nav button')) b.classList.toggle('active', b.dataset.view === view);
  for (const s of document.querySelectorAll('.view')) s.hidden = s.id !== 'view-' + view;
  if (view === 'many') $('many-selected').textContent = state.selected.size + ' devices selected (in the Devices table)';
  if (view === 'devices') draw();
  if (view === 'history') readHistory();
  clearInterval(rollout.timer);
  if (view === 'rollout') {
    loadRollout();
    rollout.timer = setInterval(loadRollout, 2000);
  }
}

// With users, the page needs a login, whose user, role and CSRF token it
// asks for first; a dashboard without users has no /api/session (404), and
// the page goes on without.
async function login() {
  const r = await api('GET', '/api/session');
  if (r.status === 401) {
    location.href = '/login.html';
    return false;
  }
  if (r.ok) {
    state.csrf = r.doc.csrf;
    $('user').textContent = r.doc.user + ' (' + r.doc.role + ')';
    $('logout').hidden = false;
  }
  return true;
}

async function logout() {
  await api('POST', '/api/logout');
  location.href = '/login.html';
}

async function start() {
  if (!await login()) return;
  $('logout').addEventListener('click', logout);
  for (const b of document.querySelectorAll('nav button')) b.addEventListener('click', () => show(b.dataset.view));
  for (const el of document.querySelectorAll('[data-sort]')) el.addEventListener('click', () => setSort(el.dataset.sort));
  $('filter').addEventListener('input', () => { state.filter = $('filter').value; $('scroll').scrollTop = 0; refilter(); });
  $('scroll').addEventListener('scroll', () => requestAnimationFrame(draw));
  $('rows').addEventListener('click', onRowClick);
  $('select-shown').addEventListener('click', () => { state.shown.forEach((d) => toggle(d, true)); refilter(); });
  $('select-none').addEventListener('click', () => { state.selected.clear(); refilter(); });
  $('check-all').addEventListener('change', (e) => { state.shown.forEach((d) => toggle(d, e.target.checked)); refilter(); });
  $('device-read').addEventListener('click', () => readDevice(false));
  $('device-check').addEventListener('click', () => checkSettings(true));
  $('device-write').addEventListener('click', () => checkSettings(false));
  $('restore-check').addEventListener('click', () => checkRestore(true));
  $('restore-write').addEventListener('click', () => checkRestore(false));
  $('plan-check').addEventListener('click', checkPlan);
  $('plan-apply').addEventListener('click', async () => {
    if (!await confirmSelected('Write the plan to {n}?', 'Apply')) return;
    $('plan-apply').disabled = true;
    startOperation(api('POST', '/api/apply', { plan: planOf(), jobs: Number($('plan-jobs').value), force: $('plan-force').checked }));
  });
  $('restart').addEventListener('click', async () => {
    const devices = await confirmSelected('Restart {n}? Each is away for a moment.', 'Restart');
    if (devices) startOperation(api('POST', '/api/restart', { devices: devices.map(keyOf) }));
  });
  $('fw-start').addEventListener('click', firmware);
  $('history-read').addEventListener('click', readHistory);
  for (const verb of ['pause', 'resume', 'abort']) $('rollout-' + verb).addEventListener('click', () => moveRollout(verb));
  $('at-run').addEventListener('click', () => session('/api/at', {
    password: $('at-password').value, steps: $('at-steps').value.split('\n').map((s) => s.trim()).filter(Boolean) }));
  $('io-read').addEventListener('click', () => session('/api/io', { actions: ['ad', 'state'] }));
  $('io-set').addEventListener('click', () => session('/api/io', { actions: [
    ...($('io-dir').value !== '' ? ['dir=' + $('io-dir').value] : []), ...($('io-level').value !== '' ? ['level=' + $('io-level').value] : [])] }));
  $('data-send').addEventListener('click', () => session('/api/data', $('data-hex').checked ? { hex: $('data-text').value } : { text: $('data-text').value }));
  window.addEventListener('resize', draw);
  listen();
}

document.addEventListener('DOMContentLoaded', start);
