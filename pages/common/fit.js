/* A figure that outgrows its column (a professional's 12,345 dives or
   3640:50 hours) steps its type down until it fits, instead of running
   into the figure beside it; short figures keep the full size. */
(function () {
  'use strict';
  const values = Array.from(document.querySelectorAll('.stat_value'));
  if (!values.length) return;
  function fit() {
    for (const v of values) {
      const box = v.parentElement;
      v.style.fontSize = '';
      let size = parseFloat(getComputedStyle(v).fontSize);
      const over = box.scrollWidth - box.clientWidth;
      while (box.scrollWidth > box.clientWidth + 1 && size > 11) {
        size -= 1;
        v.style.fontSize = size + 'px';
      }
      // A fractional display scale rounds a box a pixel short, and an
      // overflow that smaller type does not shrink is not the figure's: both
      // keep the full size.
      if (over > 1 && box.scrollWidth - box.clientWidth >= over) v.style.fontSize = '';
    }
  }
  let queued = false;
  const later = () => {
    if (queued) return;
    queued = true;
    requestAnimationFrame(() => { queued = false; fit(); });
  };
  for (const v of values) new MutationObserver(later).observe(v.parentElement, { subtree: true, childList: true, characterData: true });
  window.addEventListener('resize', later);
  later();
})();
