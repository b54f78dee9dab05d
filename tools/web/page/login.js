// The login page of a dashboard with users: the name and password go to
// POST /api/login, which sets the session's cookie; then the dashboard.
'use strict';

async function submit(event) {
  event.preventDefault();
  const message = document.getElementById('login-message');
  const body = { name: document.getElementById('login-name').value, password: document.getElementById('login-password').value };
  message.textContent = 'logging in';
  const res = await fetch('/api/login', { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body) });
  if (res.ok) {
    location.href = '/';
    return;
  }
  let doc;
  try { doc = await res.json(); } catch (e) { doc = { error: 'no answer from the server (' + res.status + ')' }; }
  message.textContent = doc.error;
  message.className = 'message error';
  document.getElementById('login-password').value = '';
}

document.addEventListener('DOMContentLoaded', () => document.getElementById('login').addEventListener('submit', submit));
