/* The detail area: the dive's values (setDiveValue) and its profile
   (setDiveChart). Values arrive as ready texts and are set as text only. */
(function () {
  'use strict';
  window.setDiveValue = (json) => {
    let data;
    try { data = JSON.parse(json); } catch (e) { return; }
    const v = (data && data.value) || {};
    for (const [id, text] of Object.entries(v)) {
      const e = document.getElementById(id);
      if (e) e.textContent = String(text);
    }
    document.body.classList.add('has-dive');
  };

  let plot = null;
  // What the chart shows now; its marks are drawn from here on every redraw.
  let shown = { xs: [], ys: [], marks: [] };
  const drawMarks = (u) => {
    const ctx = u.ctx, r = 10 * devicePixelRatio;
    for (const m of shown.marks) {
      if (!m.img || !m.img.complete || !m.img.naturalWidth) continue;
      const x = u.valToPos(shown.xs[m.i], 'x', true), y = u.valToPos(shown.ys[m.i], 'y', true);
      ctx.drawImage(m.img, x - r, y - r, 2 * r, 2 * r);
    }
  };
  const symbols = new Map();
  const symbolImage = (s) => {
    const m = /^url\((.*)\)$/.exec(String(s || ''));
    if (!m) return null;
    if (!symbols.has(m[1])) {
      const img = new Image();
      img.onload = () => plot && plot.redraw(false);
      img.src = m[1];
      symbols.set(m[1], img);
    }
    return symbols.get(m[1]);
  };
  // m:ss, and h:mm:ss from one hour on (a long dive would show "75:00").
  const clock = (t) => {
    const whole = Math.round(t), h = Math.floor(whole / 3600);
    const m = Math.floor((whole % 3600) / 60), s = whole % 60;
    const ss = String(s).padStart(2, '0');
    return h > 0 ? h + ':' + String(m).padStart(2, '0') + ':' + ss : m + ':' + ss;
  };
  // Tick steps: whole seconds and minutes on the time axis, and whole depth
  // units, so a shallow dive never labels two ticks alike ("1, 1, 2").
  const timeSteps = [1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1200, 1800, 3600, 7200, 10800];
  const depthSteps = [1, 2, 5, 10, 20, 25, 50, 100, 200, 500, 1000];

  // The legend explains only the symbols this dive's type can carry: its own
  // start and end pictures, and no decompression mark on a free dive. Each
  // picture and its word are wrapped once so they show or hide together.
  const legendEntries = () => {
    const legend = document.querySelector('.legend');
    if (!legend) return [];
    if (!legend.dataset.wrapped) {
      for (const img of Array.from(legend.querySelectorAll('img'))) {
        const entry = document.createElement('span');
        entry.className = 'legend_entry';
        const word = img.nextSibling;
        legend.insertBefore(entry, img);
        entry.appendChild(img);
        if (word && word.nodeType === Node.TEXT_NODE) entry.appendChild(word);
        entry.dataset.symbol = (/([a-z_]+)\.png$/.exec(img.getAttribute('src') || '') || [])[1] || '';
      }
      legend.dataset.wrapped = '1';
    }
    return Array.from(legend.querySelectorAll('.legend_entry'));
  };
  const showLegendFor = (kind) => {
    for (const entry of legendEntries()) {
      const m = /^(scuba|gauge|freedive)_(in|out)$/.exec(entry.dataset.symbol);
      if (m) {
        entry.hidden = !kind;
        if (kind) entry.querySelector('img').src = '../../images/' + kind + '_' + m[2] + '.png';
      } else {
        entry.hidden = entry.dataset.symbol === 'need_deco' && kind === 'freedive';
      }
    }
  };

  // The chart comes as columns: {time: [...], depth: [...], symbols:
  // [[point index, 'url(...)'], ...]}; flat lists of numbers parse and draw
  // without a small array per sample.
  window.setDiveChart = (unit, json) => {
    let chart;
    try { chart = JSON.parse(json); } catch (e) { return; }
    if (!chart || !Array.isArray(chart.time) || !Array.isArray(chart.depth)) return;
    const word = unit === '1' ? 'ft' : 'm';
    const n = Math.min(chart.time.length, chart.depth.length);
    const xs = new Array(n), ys = new Array(n), marks = [];
    for (let i = 0; i < n; ++i) {
      xs[i] = Number(chart.time[i]) || 0;
      ys[i] = -(Number(chart.depth[i]) || 0);  // drawn downwards from the surface
    }
    let kind = null;
    for (const s of Array.isArray(chart.symbols) ? chart.symbols : []) {
      const i = Array.isArray(s) ? s[0] : -1;
      if (!Number.isInteger(i) || i < 0 || i >= n) continue;
      marks.push({ i: i, img: symbolImage(s[1]) });
      const type = /(scuba|gauge|freedive)_(in|out)\.png/.exec(String(s[1]));
      if (type) kind = type[1];
    }
    showLegendFor(kind);
    const box = document.getElementById('chart');
    // No unit until a dive is shown: the empty page cannot know the diver's.
    const unitWord = document.getElementById('chart_unit');
    unitWord.textContent = word;
    unitWord.parentElement.hidden = false;
    shown = { xs: xs, ys: ys, marks: marks };
    // The next dive goes into the chart already built: building one anew
    // (its canvas, axes and layout) costs more than drawing a long profile.
    if (plot && xs.length > 0 && plot.width === box.clientWidth && plot.height === box.clientHeight) {
      plot.setData([xs, ys]);
      return;
    }
    if (plot) { plot.destroy(); plot = null; }
    box.textContent = '';
    if (xs.length === 0) return;
    const opts = {
      width: box.clientWidth, height: box.clientHeight,
      legend: { show: false }, cursor: { y: false, points: { size: 7 } },
      scales: { x: { time: false }, y: { range: (u, min) => [Math.min(min * 1.12, -1), 0] } },
      axes: [
        { stroke: '#5b6b7c', grid: { stroke: '#eef2f5' }, ticks: { show: false }, size: 26,
          incrs: timeSteps, space: 48, values: (u, vals) => vals.map(clock), font: '11px system-ui' },
        { stroke: '#5b6b7c', grid: { stroke: '#eef2f5' }, ticks: { show: false }, size: 36,
          incrs: depthSteps, values: (u, vals) => vals.map((v) => String(Math.abs(Math.round(v)))),
          font: '11px system-ui' },
      ],
      series: [{}, {
        stroke: '#0e7c86', width: 2, fillTo: 0,
        fill: (u) => {
          const g = u.ctx.createLinearGradient(0, u.bbox.top, 0, u.bbox.top + u.bbox.height);
          g.addColorStop(0, 'rgba(19,149,155,0.05)');
          g.addColorStop(1, 'rgba(19,149,155,0.35)');
          return g;
        },
        points: { show: false },
      }],
      hooks: { draw: [drawMarks] },
    };
    plot = new uPlot(opts, [xs, ys], box);
  };
  window.addEventListener('resize', () => {
    const box = document.getElementById('chart');
    if (plot && box) plot.setSize({ width: box.clientWidth, height: box.clientHeight });
  });
})();
