/* The Dives tab: the program hands over a window of the filtered list (the
   JSON in dive_data, texts already in the diver's units and language, with
   the list's length and the window's first index) and this script draws
   only the rows in view, asking for another window by a click on
   dive_rows_from when the view leaves this one, so 5,000 dives scroll as
   lightly as 50. It also draws the statistics charts from the tables the
   program fills; the tables stay the screen reader's and keyboard's way in.
   Every action still ends in a click on an element the program knows. */
(function () {
  'use strict';
  const doc = document;
  const grid = doc.getElementById('dive_grid');
  if (!grid) return;
  const body = doc.getElementById('dive_rows');
  const data = doc.getElementById('dive_data');
  const ask = doc.getElementById('dive_rows_from');
  const spacer = body.querySelector('.grid_spacer');
  const heads = Array.from(grid.querySelectorAll('[role="columnheader"]'));
  const ROW_H = 30, COLS = heads.length;
  const classes = heads.map((h) => h.className);
  let rows = [], first = 0, count = 0, list = '';
  let asked = -1;  // the window asked for and not yet here
  let active = { row: -1, col: 0 };  // row -1 is the header row
  let focusLater = false;  // the active row's cell takes the focus once its window is here
  let drawn = { from: -1, to: -1, version: -1 };
  let version = 0;

  // A row: [id, day, when, site, mode, mode text, depth, duration, temp, air]
  const cellText = (r, c) => (c === 0 ? r[2] : c === 1 ? r[3] : r[c + 3]);
  const rowAt = (i) => (i >= first && i < first + rows.length ? rows[i - first] : null);

  function readRows() {
    try { rows = JSON.parse(data.textContent || '[]'); } catch (e) { rows = []; }
    if (!Array.isArray(rows)) rows = [];
    first = Number(data.dataset.from) || 0;
    count = data.dataset.count === undefined ? rows.length : Number(data.dataset.count) || 0;
    asked = -1;
    if (data.dataset.list !== list) {
      list = data.dataset.list;
      grid.setAttribute('aria-rowcount', String(count + 1));
      spacer.style.height = (count * ROW_H) + 'px';
      body.classList.toggle('empty', count === 0);
      if (active.row >= count) active.row = count - 1;
    }
    version++;
    draw();
  }

  // The window around the view, a third of it above.
  function askFor(from, to) {
    const size = Math.max(rows.length, to - from);
    const start = Math.max(0, Math.min(count - size, from - Math.floor((size - (to - from)) / 3)));
    // The window here or on its way is not asked again, even when it falls
    // short of the view.
    if (start === asked || (start === first && rows.length)) return;
    asked = start;
    ask.dataset.from = String(start);
    ask.click();
  }

  function makeRow() {
    const tr = doc.createElement('div');
    tr.setAttribute('role', 'row');
    for (let c = 0; c < COLS; c++) {
      const td = doc.createElement('div');
      td.setAttribute('role', 'gridcell');
      td.className = classes[c];
      if (c === 2) td.innerHTML = '<i class="mode_dot"></i>';
      td.appendChild(doc.createTextNode(''));
      td.tabIndex = -1;
      tr.appendChild(td);
    }
    return tr;
  }

  // Only what differs is written: a redraw of the same rows (the view
  // resized, the tab shown again) then leaves nothing to lay out.
  function fillRow(tr, i) {
    const r = rowAt(i);
    if (tr.dataset.index !== String(i)) {
      tr.setAttribute('aria-rowindex', String(i + 2));
      tr.style.top = (i * ROW_H) + 'px';
      tr.dataset.index = String(i);
    }
    if (!tr.classList.contains('mode_' + r[4])) tr.className = 'grid_row mode_' + r[4];
    for (let c = 0; c < COLS; c++) {
      const text = tr.children[c].lastChild;
      const want = cellText(r, c);
      if (text.nodeValue !== want) text.nodeValue = want;
    }
  }

  // Only the rows in view and a few beyond are in the document. Their
  // elements are kept and given new texts: a keystroke then changes texts
  // in place, which WebKit lays out and draws faster than new rows.
  function draw() {
    const h = body.clientHeight || 600;
    const from = Math.max(0, Math.floor(body.scrollTop / ROW_H) - 4);
    const to = Math.min(count, Math.ceil((body.scrollTop + h) / ROW_H) + 4);
    if (from < first || to > first + rows.length) askFor(from, to);
    if (drawn.from === from && drawn.to === to && drawn.version === version) { markActive(false); return; }
    drawn = { from, to, version };
    const hadFocus = grid.contains(doc.activeElement) && doc.activeElement.getAttribute('role') === 'gridcell';
    const have = Array.from(body.querySelectorAll('.grid_row'));
    let k = 0;
    const frag = doc.createDocumentFragment();
    for (let i = from; i < to; i++) {
      if (!rowAt(i)) continue;
      const tr = have[k++] || frag.appendChild(makeRow());
      fillRow(tr, i);
    }
    for (; k < have.length; k++) have[k].remove();
    body.appendChild(frag);
    markActive(hadFocus);
  }

  function cellAt(row, col) {
    if (row < 0) return heads[col];
    const tr = body.querySelector('.grid_row[data-index="' + row + '"]');
    return tr ? tr.children[col] : null;
  }

  // One Tab stop: the active cell (or header) holds tabindex 0. A row whose
  // window is still on its way keeps the focus where it is until it comes.
  function markActive(focus) {
    const cell = cellAt(active.row, active.col);
    if (!cell && active.row >= 0 && active.row < count) {
      focusLater = focusLater || focus;
      return;
    }
    focus = focus || focusLater;
    focusLater = false;
    for (const e of grid.querySelectorAll('[tabindex="0"]')) e.tabIndex = -1;
    const stop = cell || heads[active.col] || heads[0];
    stop.tabIndex = 0;
    for (const tr of body.querySelectorAll('.grid_row')) tr.classList.toggle('active', Number(tr.dataset.index) === active.row);
    if (focus) stop.focus({ preventScroll: true });
  }

  function moveTo(row, col) {
    active.row = Math.max(-1, Math.min(count - 1, row));
    active.col = Math.max(0, Math.min(COLS - 1, col));
    if (active.row >= 0) {
      const top = active.row * ROW_H, h = body.clientHeight;
      if (top < body.scrollTop) body.scrollTop = top;
      else if (top + ROW_H > body.scrollTop + h) body.scrollTop = top + ROW_H - h;
    }
    drawn.version = -1;
    draw();
    markActive(true);
  }

  function open(i) {
    const r = rowAt(i);
    if (!r) return;
    const button = doc.getElementById('dive_open');
    button.dataset.id = r[0];
    button.click();
  }

  grid.addEventListener('keydown', (ev) => {
    if (ev.altKey) return;
    const page = Math.max(1, Math.floor(body.clientHeight / ROW_H) - 1);
    const { row, col } = active;
    const moves = {
      ArrowUp: [row - 1, col], ArrowDown: [row + 1, col], ArrowLeft: [row, col - 1], ArrowRight: [row, col + 1],
      PageUp: [Math.max(0, row - page), col], PageDown: [row + page, col],
      Home: ev.ctrlKey ? [0, 0] : [row, 0], End: ev.ctrlKey ? [count - 1, COLS - 1] : [row, COLS - 1],
    };
    if (moves[ev.key]) {
      moveTo(...moves[ev.key]);
    } else if (ev.key === 'Enter' || ev.key === ' ') {
      if (row < 0) heads[col].click(); else open(row);
    } else {
      return;
    }
    ev.preventDefault();
    ev.stopPropagation();
  });
  body.addEventListener('scroll', () => requestAnimationFrame(draw));
  body.addEventListener('click', (ev) => {
    const tr = ev.target.closest && ev.target.closest('.grid_row');
    if (!tr) return;
    const cell = ev.target.closest('[role="gridcell"]');
    moveTo(Number(tr.dataset.index), cell ? Array.from(tr.children).indexOf(cell) : 0);
  });
  body.addEventListener('dblclick', (ev) => {
    const tr = ev.target.closest && ev.target.closest('.grid_row');
    if (tr) open(Number(tr.dataset.index));
  });
  heads.forEach((h, c) => h.addEventListener('focus', () => { active = { row: -1, col: c }; }));
  // The program sets the window's numbers first and its text last.
  new MutationObserver(readRows).observe(data, { childList: true, characterData: true, subtree: true });
  new ResizeObserver(() => { drawn.version = -1; draw(); }).observe(body);

  // ---- The filter: each change goes to the program as a click on the field
  // typed in, so the program reads that one field back, not the whole bar;
  // Enter sends the whole bar.
  const bar = doc.getElementById('dive_filter');
  bar.addEventListener('input', (ev) => { if (ev.target.tagName === 'INPUT') ev.target.click(); });
  bar.addEventListener('keydown', (ev) => {
    if (ev.key === 'Enter' && ev.target.tagName === 'INPUT') { ev.preventDefault(); bar.click(); }
  });

  // ---- The list / statistics switch is a tab list of two.
  const segs = Array.from(doc.querySelectorAll('.seg_btn'));
  doc.querySelector('.seg').addEventListener('keydown', (ev) => {
    if (!['ArrowLeft', 'ArrowRight'].includes(ev.key)) return;
    const next = segs[(segs.indexOf(ev.target) + 1) % segs.length];
    next.click();
    next.focus();
    ev.preventDefault();
  });
  new MutationObserver(() => segs.forEach((s) => { s.tabIndex = s.getAttribute('aria-selected') === 'true' ? 0 : -1; }))
    .observe(doc.querySelector('.seg'), { subtree: true, attributeFilter: ['aria-selected'] });

  // ---- Charts, drawn from the tables. A table cell's data-v holds the
  // number; its text is what the diver reads.
  const stats = doc.getElementById('dives_stats');
  const css = getComputedStyle(doc.documentElement);
  const colour = (name, fallback) => (css.getPropertyValue(name) || fallback).trim();
  const palette = [colour('--teal-500', '#13959b'), colour('--free-500', '#5a5fc8'), colour('--gold-500', '#e2b447')];
  const charts = new Map();

  function tableData(table) {
    const labels = [], columns = [];
    for (const tr of table.tBodies[0].rows) {
      labels.push(tr.cells[0].textContent);
      Array.from(tr.cells).slice(1).forEach((td, i) => {
        (columns[i] = columns[i] || []).push(td.dataset.v === '' || td.dataset.v === undefined ? null : Number(td.dataset.v));
      });
    }
    const names = Array.from(table.tHead.rows[0].cells).slice(1).map((th) => th.textContent);
    return { labels, columns, names };
  }

  // Stacked bars are drawn as cumulative bars, the tallest first, so each
  // mode's share shows in its own colour.
  function chartOptions(kind, el, data, size) {
    const stack = Number(el.dataset.stack || 0), lines = Number(el.dataset.lines || 0);
    const x = data.labels.map((_, i) => i);
    const bars = uPlot.paths.bars({ size: [0.62, 48], gap: 2 });
    const series = [{}], values = [x];
    let legend = [];
    if (stack) {
      const sums = [];
      for (let s = 0; s < stack; s++) {
        sums[s] = x.map((i) => data.columns.slice(0, s + 1).reduce((a, col) => a + (col[i] || 0), 0));
      }
      for (let s = stack - 1; s >= 0; s--) {
        series.push({ label: data.names[s], fill: palette[s], stroke: palette[s], width: 0, paths: bars, points: { show: false } });
        values.push(sums[s]);
      }
      legend = data.names.slice(0, stack).map((n, s) => [n, palette[s]]);
      if (data.columns.length > stack && stack > 1) {
        series.push({ label: data.names[stack], stroke: colour('--navy-700', '#123a5e'), width: 2, scale: 'h',
                      points: { size: 5 } });
        values.push(data.columns[stack]);
        legend.push([data.names[stack], colour('--navy-700', '#123a5e')]);
      }
    } else {
      for (let s = 0; s < lines; s++) {
        series.push({ label: data.names[s], stroke: palette[s], width: 2, spanGaps: true, points: { size: 6, fill: palette[s] } });
        values.push(data.columns[s] || []);
        legend.push([data.names[s], palette[s]]);
      }
    }
    font = font || '11px ' + getComputedStyle(doc.body).fontFamily;
    const axis = { font, stroke: colour('--muted', '#5b6b7c'), grid: { stroke: '#e9eef2', width: 1 }, ticks: { show: false } };
    const count = (u, splits) => splits.map((v) => (Number.isInteger(v) ? v.toLocaleString() : ''));
    const axes = [
      Object.assign({}, axis, { grid: { show: false }, values: (u, splits) => splits.map((i) => data.labels[i] || ''),
                                space: 28, gap: 4 }),
      Object.assign({}, axis, { size: 46, values: stack ? count : undefined }),
    ];
    const scales = { x: { time: false, range: [-0.6, Math.max(0.6, x.length - 0.4)] } };
    if (stack > 1 && data.columns.length > stack) {
      axes.push(Object.assign({}, axis, { side: 1, scale: 'h', size: 46, grid: { show: false } }));
      scales.h = { range: (u, min, max) => [0, Math.max(1, max * 1.1)] };
    }
    scales.y = { range: (u, min, max) => [0, Math.max(1, (max || 0) * 1.1)] };
    return {
      opts: {
        width: size[0], height: size[1], legend: { show: false }, cursor: { show: false },
        // A legend keeps the plot's top free, or it would cover the top tick.
        padding: [legend.length > 1 ? 22 : 8, 8, 0, 0], scales, axes, series,
      },
      values, legend,
    };
  }

  let font = '';
  function drawChart(el, size) {
    const table = el.parentElement.querySelector('table');
    const data = tableData(table);
    const old = charts.get(el);
    if (old) old.destroy();
    el.textContent = '';
    if (!data.labels.length || typeof uPlot === 'undefined') { charts.delete(el); return; }
    const { opts, values, legend } = chartOptions(el.dataset.chart, el, data, size);
    charts.set(el, new uPlot(opts, values, el));
    if (legend.length > 1) {
      const box = doc.createElement('div');
      box.className = 'chart_legend';
      for (const [name, c] of legend) {
        const item = doc.createElement('span');
        item.innerHTML = '<i></i>';
        item.firstChild.style.background = c;
        item.appendChild(doc.createTextNode(name));
        box.appendChild(item);
      }
      el.appendChild(box);
    }
  }

  // Drawn as soon as a batch of the program's writes is in rather than a
  // frame later, every size read before the first chart is made so the
  // layout is computed once. The charts' own nodes are no change to redraw
  // for: that would draw them again on every frame.
  function drawCharts() {
    if (stats.hidden) return;
    const els = Array.from(stats.querySelectorAll('.chart')).filter((el) => !el.closest('.as_table'));
    const sizes = els.map((el) => [el.clientWidth, el.clientHeight]);
    els.forEach((el, i) => drawChart(el, sizes[i]));
    stats.dataset.drawn = String(Number(stats.dataset.drawn || 0) + 1);
  }
  new MutationObserver((records) => {
    if (records.some((r) => !(r.target.closest && r.target.closest('.chart')))) drawCharts();
  }).observe(stats, { subtree: true, childList: true, attributeFilter: ['hidden'] });
  for (const b of stats.querySelectorAll('.table_toggle')) {
    b.addEventListener('click', () => {
      const on = b.getAttribute('aria-pressed') !== 'true';
      b.setAttribute('aria-pressed', String(on));
      b.closest('.chart_card').classList.toggle('as_table', on);
      if (!on) drawCharts();
    });
  }
  readRows();
})();
