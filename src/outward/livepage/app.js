'use strict';
// The live page: polls the kiln's state and the new chart points every 2 s and draws them.
// Numbers that are no longer current are never shown as if they were.
(function () {
  const POLL_MS = 2000;
  const STALE_MS = 6000;      // no fresh state for this long: no contact
  const REQUEST_MS = 5000;
  const $ = (id) => document.getElementById(id);

  let labels = {};
  let points = [];            // [seconds, kiln, setPoint, power]
  let recordStart = null;
  let lastContact = null;     // Date.now() of the newest state, by its age at the program
  let unit = '';
  let asking = false;

  function label(key) { return labels[key] || ''; }
  function applyLabels() {
    for (const el of document.querySelectorAll('[data-label]'))
      el.textContent = label(el.dataset.label);
  }

  async function request(url, options) {
    const abort = new AbortController();
    const timer = setTimeout(() => abort.abort(), REQUEST_MS);
    try {
      return await fetch(url, Object.assign({ cache: 'no-store', credentials: 'same-origin',
                                             signal: abort.signal }, options || {}));
    } finally {
      clearTimeout(timer);
    }
  }

  function whole(v) { return v === null || v === undefined ? '\u2013' : String(Math.round(v)); }
  function two(n) { return String(n).padStart(2, '0'); }
  function clock(date) { return two(date.getHours()) + ':' + two(date.getMinutes()); }
  // "2026-12-10T21:05:00+01:00": the kiln computer's own hh:mm, as its window shows it.
  function kilnClock(iso) { return iso ? iso.substring(11, 16) : '\u2013'; }
  function duration(minutes) {
    if (minutes === null || minutes === undefined) return '\u2013';
    const m = Math.max(0, Math.round(minutes));
    return Math.floor(m / 60) + ':' + two(m % 60);
  }

  function showState(s) {
    unit = s.unit || '';
    $('kiln').textContent = s.kiln;
    document.title = s.kiln + ' \u2013 ' + (s.kiln_temp === null ? '' : whole(s.kiln_temp) + ' ' + unit);
    const st = $('state');
    st.textContent = s.state_text;
    st.className = 'state' + (s.problem ? ' problem' : s.firing ? ' firing' : '');
    $('temp').textContent = s.kiln_temp === null ? '\u2013' : whole(s.kiln_temp) + '\u2009' + unit;
    $('setpoint').textContent = s.set_point === null ? '\u2013' : whole(s.set_point) + '\u2009' + unit;
    $('power').textContent = s.power + ' %';
    $('line').textContent = s.line_count > 0 ? s.line + ' / ' + s.line_count : '\u2013';
    $('end').textContent = kilnClock(s.end_time);
    $('left').textContent = duration(s.minutes_left);
    $('energy').textContent = s.energy_kwh === null ? '\u2013' : s.energy_kwh.toFixed(1) + '\u2009' + label('kwh');
    const list = $('warnings');
    list.replaceChildren(...s.warnings.map((w) => {
      const li = document.createElement('li');
      li.textContent = w.text;
      return li;
    }));
    list.hidden = s.warnings.length === 0;
  }

  function showContact() {
    const stale = lastContact === null || Date.now() - lastContact > STALE_MS;
    document.body.classList.toggle('stale', stale);
    const note = $('contact');
    note.hidden = !stale;
    note.textContent = lastContact === null ? label('waiting')
                                            : label('no_contact') + ' ' + clock(new Date(lastContact));
  }

  function askForCode() {
    if (asking) return;
    asking = true;
    $('codeform').hidden = false;
    $('code').focus();
  }

  async function sendCode(event) {
    event.preventDefault();
    const message = $('codemessage');
    try {
      const r = await request('api/code', { method: 'POST', body: $('code').value });
      if (r.ok) {
        asking = false;
        $('codeform').hidden = true;
        $('code').value = '';
        message.textContent = '';
        poll();
        return;
      }
      const body = await r.json().catch(() => ({}));
      const wait = label('code_wait').replace('%1', body.wait || 1);
      message.textContent = (r.status === 403 ? label('code_wrong') + '. ' : '') + wait;
    } catch (e) {
      message.textContent = label('no_contact') + ' ' + clock(new Date());
    }
  }

  async function pollState() {
    const r = await request('api/state');
    if (r.status === 401) { askForCode(); return false; }
    if (!r.ok) return false;
    const s = await r.json();
    const age = Number(r.headers.get('X-Fornaxel-Age-Ms')) || 0;
    lastContact = Date.now() - age;
    showState(s);
    return true;
  }

  async function pollChart() {
    const since = points.length ? points[points.length - 1][0] : -1;
    const r = await request('api/chart?since=' + since);
    if (!r.ok) return;
    const c = await r.json();
    if (c.record_start !== recordStart) {
      // A new recording: its chart starts afresh, from its first point.
      recordStart = c.record_start;
      points = [];
      if (since >= 0) return pollChart();
    }
    points.push(...c.points);
    if (points.length > 8000) points = points.filter((p, i) => i % 2 === 1 || i === points.length - 1);
    draw();
  }

  let polling = false;
  async function poll() {
    if (polling) return;  // a slow answer is not asked for twice
    polling = true;
    try {
      if (await pollState()) await pollChart();
    } catch (e) {
      // No answer: the contact note says so below.
    } finally {
      polling = false;
    }
    showContact();
  }

  async function loadLabels() {
    try {
      const r = await request('api/labels');
      if (!r.ok) return;
      labels = (await r.json()).labels || {};
      applyLabels();
      showContact();
    } catch (e) {
      // Tried again with the next round.
    }
  }

  // ---- The chart: kiln temperature and set point on the left axis, power 0..100 % on the right.
  function niceStep(range, count) {
    const raw = range / count;
    const p = Math.pow(10, Math.floor(Math.log10(raw)));
    const f = raw / p;
    return (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * p;
  }

  // At most one value per pixel column: the mean of the points falling into it, so that a
  // power that changes every cycle reads as its level rather than as a solid band.
  function columns(x, index) {
    const out = [];
    let column = null, sum = 0, count = 0, seconds = 0;
    const flush = () => { if (column !== null) out.push(count ? [seconds, sum / count] : [seconds, null]); };
    for (const p of points) {
      const c = Math.round(x(p[0]));
      if (c !== column) { flush(); column = c; sum = 0; count = 0; }
      seconds = p[0];
      if (p[index] !== null) { sum += p[index]; ++count; }
    }
    flush();
    return out;
  }

  function draw() {
    const canvas = $('chart');
    const ratio = window.devicePixelRatio || 1;
    const w = canvas.clientWidth || 360;
    const h = canvas.clientHeight || 280;
    if (canvas.width !== Math.round(w * ratio) || canvas.height !== Math.round(h * ratio)) {
      canvas.width = Math.round(w * ratio);
      canvas.height = Math.round(h * ratio);
    }
    const g = canvas.getContext('2d');
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    g.clearRect(0, 0, w, h);
    const css = getComputedStyle(document.documentElement);
    const colour = (name) => css.getPropertyValue(name).trim();
    const left = 40, right = w - 36, top = 20, bottom = h - 24;

    const last = points.length ? points[points.length - 1][0] : 0;
    const hours = Math.max(1, Math.ceil(last / 3600));
    let maxT = 100;
    for (const p of points) {
      if (p[1] !== null) maxT = Math.max(maxT, p[1]);
      if (p[2] !== null) maxT = Math.max(maxT, p[2]);
    }
    const tStep = niceStep(maxT, 5);
    maxT = Math.ceil(maxT / tStep) * tStep;
    const x = (s) => left + (right - left) * s / (hours * 3600);
    const yT = (t) => bottom - (bottom - top) * t / maxT;
    const yP = (p) => bottom - (bottom - top) * p / 100;

    g.font = '11px system-ui, sans-serif';
    g.lineWidth = 1;
    g.strokeStyle = colour('--line');
    g.fillStyle = colour('--muted');
    g.textAlign = 'right';
    g.textBaseline = 'middle';
    for (let t = 0; t <= maxT + 1e-9; t += tStep) {
      g.beginPath(); g.moveTo(left, yT(t)); g.lineTo(right, yT(t)); g.stroke();
      g.fillText(String(Math.round(t)), left - 4, yT(t));
    }
    g.textAlign = 'left';
    for (let p = 0; p <= 100; p += 25) g.fillText(p + '%', right + 4, yP(p));
    g.textAlign = 'center';
    g.textBaseline = 'top';
    const hStep = Math.max(1, niceStep(hours, 6));
    for (let hr = 0; hr <= hours; hr += hStep) {
      g.beginPath(); g.moveTo(x(hr * 3600), top); g.lineTo(x(hr * 3600), bottom); g.stroke();
      g.fillText(hr + label('hours'), x(hr * 3600), bottom + 6);
    }
    g.textAlign = 'right';
    g.fillText(unit, left - 4, 2);
    g.textAlign = 'left';
    g.fillText('%', right + 4, 2);

    series(g, x, columns(x, 3), yP, colour('--power'), 1.4, []);
    series(g, x, columns(x, 1), yT, colour('--kiln'), 3, []);
    series(g, x, columns(x, 2), yT, colour('--setpoint'), 1.6, [6, 4]);
  }

  // A line through the values, broken where one is missing.
  function series(g, x, values, y, stroke, width, dash) {
    g.strokeStyle = stroke;
    g.lineWidth = width;
    g.lineJoin = 'round';
    g.setLineDash(dash);
    g.beginPath();
    let drawing = false;
    for (const [seconds, v] of values) {
      if (v === null) { drawing = false; continue; }
      if (drawing) g.lineTo(x(seconds), y(v)); else g.moveTo(x(seconds), y(v));
      drawing = true;
    }
    g.stroke();
    g.setLineDash([]);
  }

  $('codeform').addEventListener('submit', sendCode);
  window.addEventListener('resize', draw);
  loadLabels().then(poll);
  setInterval(poll, POLL_MS);
  setInterval(loadLabels, 60000);
  setInterval(showContact, 1000);
})();
