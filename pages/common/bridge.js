// The page bridge, injected at document start into every frame of the
// program's views and built into the program (src/desktop/CMakeLists.txt).
// The top document keeps a table of element handles that the native side
// refers to; frames are same-origin, so every operation runs in the top
// document. Data arrives as typed function arguments and is only ever
// assigned as text, attribute or value, never evaluated.
(function () {
  'use strict';
  if (window === window.top && !window.__orv) {
    const refs = new Map();
    const writes = new Set(['drop', 'setAttr', 'removeAttr', 'setText', 'setStyle', 'appendHtml', 'setValue',
                            'showPopup', 'hidePopup', 'attachView', 'callView']);
    let next = 1;
    const api = {
      reg(el) {
        if (!el) return 0;
        if (!el.__orvHandle) el.__orvHandle = next++;
        const entry = refs.get(el.__orvHandle);
        if (entry) entry.n++; else refs.set(el.__orvHandle, { el: el, n: 1 });
        return el.__orvHandle;
      },
      drop(h) {
        const entry = refs.get(h);
        if (entry && --entry.n <= 0) refs.delete(h);
      },
      el(h) { const e = refs.get(h); return e ? e.el : null; },
      find(frame, id) {
        let doc = document;
        if (frame !== '') {
          const f = document.getElementById(frame);
          if (!f || !f.contentDocument) return 0;
          doc = f.contentDocument;
        }
        return api.reg(doc.getElementById(id));
      },
      root() { return api.reg(document.documentElement); },
      below(h, id) {
        const e = api.el(h);
        if (!e) return 0;
        // Compared as text rather than spliced into a selector.
        for (const c of e.querySelectorAll('[id]')) if (c.getAttribute('id') === id) return api.reg(c);
        return 0;
      },
      child(h, n) {
        const e = api.el(h);
        if (!e) return 0;
        if (e.tagName === 'IFRAME') {
          return n === 0 && e.contentDocument ? api.reg(e.contentDocument.documentElement) : 0;
        }
        return api.reg(e.children[n] || null);
      },
      getAttr(h, name) { const e = api.el(h); return e ? (e.getAttribute(name) || '') : ''; },
      setAttr(h, name, value) { const e = api.el(h); if (e) e.setAttribute(name, value); },
      removeAttr(h, name) { const e = api.el(h); if (e) e.removeAttribute(name); },
      setText(h, text) { const e = api.el(h); if (e) e.textContent = text; },
      setStyle(h, name, value) { const e = api.el(h); if (e) e.style.setProperty(name, value); },
      appendHtml(h, html) { const e = api.el(h); if (e) e.insertAdjacentHTML('beforeend', html); },
      isField(e) {
        return ['INPUT', 'SELECT', 'TEXTAREA', 'PROGRESS', 'METER'].includes(e.tagName);
      },
      isCheck(e) { return e.tagName === 'INPUT' && e.type === 'checkbox'; },
      isRadio(e) { return e.tagName === 'INPUT' && e.type === 'radio'; },
      getValue(h) {
        const e = api.el(h);
        if (!e) return '';
        if (api.isCheck(e)) return e.checked ? 'true' : 'false';
        // A radio button's value is its own value while it is checked.
        if (api.isRadio(e)) return e.checked ? e.value : '';
        return api.isField(e) ? String(e.value) : e.textContent;
      },
      setValue(h, value) {
        const e = api.el(h);
        if (!e) return;
        if (api.isCheck(e)) e.checked = (value === 'true' || value === '1');
        else if (api.isRadio(e)) e.checked = (value === 'true' || (value !== '' && value === e.value));
        else if (api.isField(e)) e.value = value;
        else e.textContent = value;
      },
      showPopup(h, anchor) {
        const e = api.el(h);
        if (!e) return;
        const a = api.el(anchor);
        e.removeAttribute('hidden');
        e.classList.add('popup-open');
        if (a && a.ownerDocument === e.ownerDocument) {
          const r = a.getBoundingClientRect();
          e.style.position = 'fixed';
          e.style.left = r.left + 'px';
          e.style.top = r.bottom + 'px';
        }
      },
      hidePopup(h) {
        const e = api.el(h);
        if (e) { e.classList.remove('popup-open'); e.setAttribute('hidden', ''); }
      },
      attachView(h, src) {
        const e = api.el(h);
        if (!e) return;
        let f = e.querySelector(':scope > iframe.child-view');
        if (!f) {
          f = e.ownerDocument.createElement('iframe');
          f.className = 'child-view';
          f.style.cssText = 'border:0;width:100%;height:100%;display:block';
          // Named after the page it shows, once that has loaded; until then
          // after the page it sits in.
          f.title = e.ownerDocument.title;
          f.addEventListener('load', () => { if (f.contentDocument && f.contentDocument.title) f.title = f.contentDocument.title; });
          e.appendChild(f);
        }
        f.setAttribute('src', src);
      },
      callView(h, name, args) {
        const e = api.el(h);
        const f = e ? e.querySelector(':scope > iframe.child-view') : null;
        const w = f ? f.contentWindow : null;
        // Only the page's own functions; a page still loading has none yet.
        if (!w || !Object.prototype.hasOwnProperty.call(w, name)) return;
        const fn = w[name];
        if (typeof fn === 'function') {
          try { fn.apply(w, args.map(String)); } catch (err) { console.error(err); }
        }
      },
      // A batch of writes, [operation, ...arguments] each, run in order; one
      // that fails (a bad attribute name) leaves the others to run.
      run(batch) {
        for (const w of batch) {
          if (!Array.isArray(w) || !writes.has(w[0])) continue;
          try { api[w[0]](...w.slice(1)); } catch (err) { console.error(err); }
        }
      },
      mapEvent(name, args) {
        window.webkit.messageHandlers.orv.postMessage({ mapEvent: String(name), args: args.map(Number) });
      },
      report(code, el) {
        if (!el) return;
        // The id goes along: every handler asks it first, and a read per
        // handler would wait on the page each time. So do the row or cell
        // index in "objid" (a day, a dive, a site) and a text field's value
        // (a keystroke in a filter is read at once), never a password.
        const message = { code: code, handle: api.reg(el), id: el.getAttribute('id') || '' };
        if (el.hasAttribute('objid')) message.objid = el.getAttribute('objid');
        if (['INPUT', 'SELECT', 'TEXTAREA'].includes(el.tagName) && !api.isCheck(el) && !api.isRadio(el) &&
            el.type !== 'password') message.value = String(el.value);
        window.webkit.messageHandlers.orv.postMessage(message);
      },
    };
    window.__orv = api;
  }
  // A child view (map, chart) is a script page of its own: it reports its
  // four map events through window.external and none of its clicks.
  const host = window !== window.top && window.frameElement;
  if (host && host.classList.contains('child-view')) {
    const external = {};
    for (const name of ['on_mus_move_event', 'on_poi_move_event', 'on_get_map_center', 'on_load_map_event']) {
      external[name] = (...args) => window.top.__orv.mapEvent(name, args);
    }
    Object.defineProperty(window, 'external', { value: Object.freeze(external), configurable: true });
    return;
  }
  const withId = (t) => (t && t.closest) ? t.closest('[id]:not([id=""])') : null;
  document.addEventListener('click', (ev) => {
    const t = withId(ev.target);
    if (t) window.top.__orv.report(0, t);
  });
  document.addEventListener('change', (ev) => {
    if (ev.target && ev.target.tagName === 'SELECT') window.top.__orv.report(5, withId(ev.target));
  });
})();
