/* Keyboard and screen-reader help shared by every page. The program hears
   only clicks, so every key here ends in a click on an element it already
   knows (the bridge reports it as for the mouse) and nothing native changes.
   Names that depend on what the program fills in (days, dives) are written
   here whenever those values change. */
(function () {
  'use strict';
  const doc = document;
  const shown = (e) => !!e && e.getClientRects().length > 0 && !e.closest('[hidden]');
  const usable = (e) => shown(e) && !e.disabled;
  const fmt = (text, ...args) => String(text || '').replace(/%(\d)/g, (m, n) => (args[n - 1] === undefined ? '' : args[n - 1]));
  const later = (fn) => { let queued = false; return () => { if (!queued) { queued = true; queueMicrotask(() => { queued = false; fn(); }); } }; };

  // ---- The main window's two tabs. The program marks the open one by its
  // class; the tab list follows it.
  const tabs = () => Array.from(window.top.document.querySelectorAll('[role="tab"]'));
  const openTab = () => tabs().findIndex((t) => t.classList.contains('back_gold'));
  function syncTabs() {
    for (const t of tabs()) {
      const on = t.classList.contains('back_gold');
      t.setAttribute('aria-selected', String(on));
      t.tabIndex = on ? 0 : -1;
    }
  }
  function showTab(i) {
    const all = tabs();
    const tab = all[(i + all.length) % all.length];
    tab.click();
    tab.focus();
    return true;
  }
  function tabKey(ev) {
    const i = openTab();
    if (i < 0) return false;
    if (ev.ctrlKey && !ev.altKey && ['Tab', 'PageDown', 'PageUp'].includes(ev.key))
      return showTab(i + (ev.key === 'PageUp' || (ev.key === 'Tab' && ev.shiftKey) ? -1 : 1));
    const digit = /^Digit([1-9])$/.exec(ev.code || '');
    if (ev.altKey && !ev.ctrlKey && digit && Number(digit[1]) <= tabs().length) return showTab(Number(digit[1]) - 1);
    if (ev.target.getAttribute && ev.target.getAttribute('role') === 'tab' && ['ArrowLeft', 'ArrowRight'].includes(ev.key))
      return showTab(i + (ev.key === 'ArrowLeft' ? -1 : 1));
    return false;
  }
  if (window === window.top && tabs().length) {
    new MutationObserver(syncTabs).observe(doc.querySelector('[role="tablist"]'), { subtree: true, attributeFilter: ['class'] });
    syncTabs();
  }

  // ---- Escape ends a dialog as its cancel or close button does (the body
  // names that button); a child view's keys count as its dialog's.
  function escapeKey(ev) {
    if (ev.key !== 'Escape') return false;
    const top = window.top.document;
    const close = top.getElementById(top.body.dataset.escape || '');
    if (!usable(close)) return false;
    close.click();
    return true;
  }

  // ---- The calendar: one Tab stop, arrows move, Page Up/Down change the
  // month, Enter or Space opens the day. Each day is named by its date and
  // its dives.
  const grid = doc.getElementById('calendar');
  const cells = grid ? Array.from(grid.querySelectorAll('td')) : [];
  let lastCell = -1;
  // Made once per language: making one costs more than naming a month.
  const formats = new Map();
  const dateFormat = (lang) => {
    if (!formats.has(lang)) {
      formats.set(lang, new Intl.DateTimeFormat(lang === 'en' ? 'en-GB' : lang,
                                                { weekday: 'long', day: 'numeric', month: 'long', timeZone: 'UTC' }));
    }
    return formats.get(lang);
  };
  // Only what changes is written: each write is more for the next frame.
  const setAttr = (e, name, value) => { if (e.getAttribute(name) !== value) e.setAttribute(name, value); };
  function nameDays() {
    const date = dateFormat(doc.documentElement.lang || 'en');
    const count = (n, one, many) => (n === 1 ? grid.dataset[one] : fmt(grid.dataset[many], n));
    for (const cell of cells) {
      const d = /^(\d+)-(\d+)-(\d+)$/.exec(cell.dataset.date || '');
      if (!d) continue;
      const parts = [date.format(new Date(Date.UTC(Number(d[1]), Number(d[2]) - 1, Number(d[3]))))];
      const scuba = Number(cell.dataset.scuba || 0), free = Number(cell.dataset.free || 0);
      if (scuba > 0) parts.push(count(scuba, 'scubaOne', 'scubaMany'));
      if (free > 0) parts.push(count(free, 'freeOne', 'freeMany'));
      setAttr(cell, 'aria-label', parts.join(', '));
      // Only days with dives open anything.
      if (cell.classList.contains('date_td_in_dive_day')) cell.removeAttribute('aria-disabled');
      else setAttr(cell, 'aria-disabled', 'true');
    }
    const pick = [lastCell, cells.findIndex((c) => c.getAttribute('aria-selected') === 'true'),
                  cells.findIndex((c) => c.classList.contains('date_td_in_dive_day')),
                  cells.findIndex((c) => c.classList.contains('date_td')), 0].find((i) => i >= 0);
    cells.forEach((c, i) => { const want = i === pick ? 0 : -1; if (c.tabIndex !== want) c.tabIndex = want; });
  }
  function gridKey(ev) {
    const i = cells.indexOf(ev.target);
    if (i < 0 || ev.ctrlKey || ev.altKey) return false;
    const step = { ArrowLeft: -1, ArrowRight: 1, ArrowUp: -7, ArrowDown: 7 }[ev.key];
    let to = i;
    if (step !== undefined) to = i + step;
    else if (ev.key === 'Home') to = i - (i % 7);
    else if (ev.key === 'End') to = i - (i % 7) + 6;
    else if (ev.key === 'PageUp' || ev.key === 'PageDown') doc.getElementById(ev.key === 'PageUp' ? 'lastmon' : 'nextmon').click();
    else if (ev.key === 'Enter' || ev.key === ' ') ev.target.click();
    else return false;
    lastCell = Math.max(0, Math.min(cells.length - 1, to));
    cells.forEach((c, n) => { c.tabIndex = n === lastCell ? 0 : -1; });
    cells[lastCell].focus();
    return true;
  }
  if (grid) {
    new MutationObserver(later(nameDays)).observe(grid, {
      subtree: true, childList: true, characterData: true,
      attributeFilter: ['class', 'data-date', 'data-scuba', 'data-free', 'aria-selected'],
    });
    nameDays();
  }

  // ---- Rows the program appends: a dive's row opens the dive, its View and
  // Edit say which dive; site rows and search results act as buttons.
  function nameRows() {
    const text = (row, id) => { const e = row.querySelector('[id="' + id + '"]'); return e ? e.textContent.trim() : ''; };
    for (const table of doc.querySelectorAll('.log_table')) {
      for (const row of table.querySelectorAll('tbody tr.log_row')) {
        const when = text(row, 'date_title'), depth = text(row, 'depth') + ' ' + text(row, 'depth_unit');
        for (const [id, key] of [['view', 'view'], ['edit', 'edit']]) {
          const b = row.querySelector('[id="' + id + '"]');
          if (b) b.setAttribute('aria-label', fmt(table.dataset[key], when, depth.trim()));
        }
        row.tabIndex = 0;
      }
    }
    for (const pick of doc.querySelectorAll('.site_pick, .poi_pick')) {
      if (pick.getAttribute('role') === 'button') continue;
      pick.setAttribute('role', 'button');
      pick.tabIndex = 0;
    }
  }
  function rowKey(ev) {
    if ((ev.key !== 'Enter' && ev.key !== ' ') || ev.ctrlKey || ev.altKey) return false;
    const t = ev.target;
    if (t.matches('tr.log_row')) { const v = t.querySelector('[id="view"]'); if (v) v.click(); return true; }
    if (t.matches('[role="button"]:not(button), [role="tab"]')) { t.click(); return true; }
    return false;
  }
  for (const body of doc.querySelectorAll('#cell_tbody, #poi_cell_tbody')) {
    new MutationObserver(later(nameRows)).observe(body, { subtree: true, childList: true, characterData: true });
  }
  nameRows();

  // ---- A field inside its label would be named by all the label holds,
  // its own typed value included: it is named by the words before it, and
  // its unit, when the label shows one, describes it.
  for (const f of doc.querySelectorAll('label input:not([aria-label]), label select:not([aria-label])')) {
    let words = '';
    for (const n of f.closest('label').childNodes) {
      if (n === f || n.contains(f)) break;
      words += n.textContent;
    }
    if (words.trim()) f.setAttribute('aria-label', words.trim());
    const unit = f.parentElement.querySelector('i[id]');
    if (unit) f.setAttribute('aria-describedby', unit.id);
  }

  // ---- A dialog starts on its first useful control, and finds it again
  // when the program hides the one that had focus.
  function focusFirst() {
    const a = doc.activeElement;
    if (a && a !== doc.body && usable(a)) return;
    const auto = doc.querySelector('[autofocus]');
    const first = usable(auto) ? auto : Array.from(doc.querySelectorAll(
      'main input:not([readonly]), main select, main textarea, .dlg_actions button')).find(usable);
    if (first) first.focus();
  }
  if (doc.body.classList.contains('dlg')) {
    new MutationObserver(later(focusFirst)).observe(doc.body, { subtree: true, attributeFilter: ['hidden', 'style', 'disabled'] });
    focusFirst();
    window.addEventListener('load', focusFirst);
  }

  // ---- Tab past the last control comes round to the first one (and
  // Shift+Tab the other way) instead of stopping once on nothing.
  function tabStops(d) {
    const out = [];
    for (const e of d.querySelectorAll('a[href], button, input, select, textarea, iframe, [tabindex]')) {
      if (e.tagName === 'IFRAME') { if (e.contentDocument && shown(e)) out.push(...tabStops(e.contentDocument)); }
      else if (e.tabIndex >= 0 && usable(e)) out.push(e);
    }
    return out;
  }
  function wrapTab(ev) {
    if (ev.key !== 'Tab' || ev.ctrlKey || ev.altKey) return false;
    const all = tabStops(window.top.document);
    const at = all.indexOf(ev.target);
    if (!all.length || at !== (ev.shiftKey ? 0 : all.length - 1)) return false;
    all[ev.shiftKey ? all.length - 1 : 0].focus();
    return true;
  }

  function onKey(ev) {
    if (ev.defaultPrevented) return;
    if (tabKey(ev) || wrapTab(ev) || escapeKey(ev) || gridKey(ev) || rowKey(ev)) { ev.preventDefault(); ev.stopPropagation(); }
  }
  doc.addEventListener('keydown', onKey);
  // Child views (the map, the dive's details) load no script of ours; their
  // keys take the same way.
  doc.addEventListener('load', (ev) => {
    const f = ev.target;
    if (f.tagName !== 'IFRAME' || !f.classList.contains('child-view') || !f.contentDocument) return;
    f.contentDocument.addEventListener('keydown', (e) => { if (tabKey(e) || wrapTab(e) || escapeKey(e)) e.preventDefault(); });
  }, true);
})();
