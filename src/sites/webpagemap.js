// Makes the site map follow the picture as the page scales it, outlines a site under the pointer
// or the keyboard focus, and finds a site by name. Without it the map still works at full size.
(function () {
  'use strict';
  const block = document.currentScript.parentNode;
  const img = block.querySelector('img[usemap]');
  const frame = img.parentNode;
  const areas = Array.from(block.querySelector('map').areas);
  const overlay = block.querySelector('svg');
  const [hover, found] = overlay.querySelectorAll('polygon');
  const search = block.querySelector('input');
  // The coordinates as written are the picture's own pixels; so are the overlay's.
  const width = Number(img.getAttribute('width'));
  const height = Number(img.getAttribute('height'));
  const plan = areas.map((area) => area.getAttribute('coords').split(',').map(Number));
  let shown = '';

  // Browsers measure an area from different corners of a picture that has a border or padding
  // (the page's own style sheet may give pictures both), so this picture has neither.
  Object.assign(img.style, { maxWidth: '100%', height: 'auto', border: '0', padding: '0' });

  // The picture's box in the frame's coordinates.
  function pictureBox() {
    const outer = img.getBoundingClientRect();
    const origin = frame.getBoundingClientRect();
    return {
      left: outer.left - origin.left - frame.clientLeft,
      top: outer.top - origin.top - frame.clientTop,
      width: outer.width,
      height: outer.height,
    };
  }

  function layout() {
    const box = pictureBox();
    if (!(box.width > 0 && box.height > 0))
      return;
    Object.assign(overlay.style, {
      left: box.left + 'px', top: box.top + 'px', width: box.width + 'px', height: box.height + 'px',
    });
    const key = box.width + 'x' + box.height;
    if (key === shown)
      return;
    shown = key;
    const sx = box.width / width, sy = box.height / height;
    areas.forEach((area, i) => {
      const scaled = plan[i].map((v, k) => Math.round(v * (k % 2 ? sy : sx) * 100) / 100);
      area.setAttribute('coords', scaled.join(','));
    });
  }

  function outline(polygon, i) {
    if (i < 0) {
      polygon.removeAttribute('points');
    } else {
      polygon.setAttribute('points', plan[i].join(' '));
    }
  }

  let pointed = -1, focused = -1;
  const showHover = () => outline(hover, pointed >= 0 ? pointed : focused);
  const indexOf = (event) => areas.indexOf(event.target);
  const map = areas.length ? areas[0].parentNode : null;
  if (map) {
    map.addEventListener('mouseover', (e) => { pointed = indexOf(e); showHover(); });
    map.addEventListener('mouseout', () => { pointed = -1; showHover(); });
    map.addEventListener('focusin', (e) => { focused = indexOf(e); showHover(); });
    map.addEventListener('focusout', () => { focused = -1; showHover(); });
  }

  let marker = null, timer = 0;
  function reveal(i) {
    layout();
    const c = areas[i].getAttribute('coords').split(',').map(Number);
    const xs = c.filter((v, k) => k % 2 === 0), ys = c.filter((v, k) => k % 2 === 1);
    const box = pictureBox();
    if (!marker) {
      marker = document.createElement('div');
      marker.style.cssText = 'position:absolute;visibility:hidden;pointer-events:none';
      frame.append(marker);
    }
    Object.assign(marker.style, {
      left: box.left + Math.min(...xs) + 'px', top: box.top + Math.min(...ys) + 'px',
      width: Math.max(...xs) - Math.min(...xs) + 'px',
      height: Math.max(...ys) - Math.min(...ys) + 'px',
    });
    marker.scrollIntoView({ block: 'center', inline: 'center' });
    outline(found, i);
    clearTimeout(timer);
    timer = setTimeout(() => outline(found, -1), 2000);
  }

  // A name chosen from the list is shown at once; typed text when Enter is pressed, then the
  // first site whose name starts with it or, failing that, contains it.
  function find(exact) {
    const text = search.value.trim().toLowerCase();
    if (!text)
      return;
    const names = areas.map((area) => (area.title || area.alt).toLowerCase());
    let i = names.indexOf(text);
    if (i < 0 && !exact)
      i = names.findIndex((name) => name.startsWith(text));
    if (i < 0 && !exact)
      i = names.findIndex((name) => name.includes(text));
    if (i >= 0)
      reveal(i);
  }
  if (search) {
    search.closest('[hidden]')?.removeAttribute('hidden');
    search.addEventListener('input', (e) => {
      if (!e.inputType || e.inputType === 'insertReplacementText')
        find(true);
    });
    search.addEventListener('keydown', (e) => {
      if (e.key === 'Enter')
        find(false);
    });
  }

  layout();
  img.addEventListener('load', layout);
  window.addEventListener('resize', layout);
  if (window.ResizeObserver)
    new ResizeObserver(layout).observe(img);
})();
