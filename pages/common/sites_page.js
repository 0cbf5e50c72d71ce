// Page-side niceties only: the program decides everything else. The
// clicked site row stays marked, Enter searches, and the result popup
// closes on its button, on Escape or on a click elsewhere.
(function () {
  const pop = document.getElementById('pop_table');
  const close = () => {
    // Closed from inside, the focus goes back to the search it came from.
    const inside = pop.contains(document.activeElement);
    pop.setAttribute('hidden', '');
    if (inside) document.getElementById('dive_site_find_name').focus();
  };
  document.addEventListener('click', (ev) => {
    const row = ev.target.closest && ev.target.closest('.site_pick');
    if (row) {
      for (const r of document.querySelectorAll('.site_pick.on')) r.classList.remove('on');
      row.classList.add('on');
    }
    if (!pop.hasAttribute('hidden') && (ev.target.closest('.pop_close') ||
        (!pop.contains(ev.target) && !ev.target.closest('#right_wnd')))) close();
  });
  document.addEventListener('keydown', (ev) => {
    if (ev.key === 'Escape') close();
    if (ev.key === 'Enter' && ev.target.id === 'dive_site_find_name') document.getElementById('dive_site_find').click();
  });
})();
