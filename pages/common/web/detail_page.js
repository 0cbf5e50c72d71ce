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
  const clock = (t) => {
    const m = Math.floor(t / 60), s = Math.round(t % 60);
    return m + ':' + String(s).padStart(2, '0');
  };

  window.setDiveChart = (unit, json) => {
    let points;
    try { points = JSON.parse(json); } catch (e) { return; }
    if (!Array.isArray(points)) return;
    const word = unit === '1' ? 'ft' : 'm';
    const xs = [], ys = [], marks = [];
    for (const p of points) {
      if (!Array.isArray(p)) continue;
      xs.push(Number(p[0]) || 0);
      ys.push(-(Number(p[1]) || 0));  // drawn downwards from the surface
      if (p[2] && p[2].enabled) marks.push({ i: xs.length - 1, img: symbolImage(p[2].symbol) });
    }
    const box = document.getElementById('chart');
    if (plot) { plot.destroy(); plot = null; }
    box.textContent = '';
    document.getElementById('chart_unit').textContent = word;
    if (xs.length === 0) return;
    const drawMarks = (u) => {
      const ctx = u.ctx, r = 10 * devicePixelRatio;
      for (const m of marks) {
        if (!m.img || !m.img.complete || !m.img.naturalWidth) continue;
        const x = u.valToPos(xs[m.i], 'x', true), y = u.valToPos(ys[m.i], 'y', true);
        ctx.drawImage(m.img, x - r, y - r, 2 * r, 2 * r);
      }
    };
    const opts = {
      width: box.clientWidth, height: box.clientHeight,
      legend: { show: false }, cursor: { y: false, points: { size: 7 } },
      scales: { x: { time: false }, y: { range: (u, min) => [Math.min(min * 1.12, -1), 0] } },
      axes: [
        { stroke: '#7c8c9c', grid: { stroke: '#eef2f5' }, ticks: { show: false }, size: 26,
          values: (u, vals) => vals.map(clock), font: '11px system-ui' },
        { stroke: '#7c8c9c', grid: { stroke: '#eef2f5' }, ticks: { show: false }, size: 36,
          values: (u, vals) => vals.map((v) => Math.abs(v).toFixed(0)), font: '11px system-ui' },
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
