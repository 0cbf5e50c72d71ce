/* The map of the detail area, the log edit dialog and the dive site page.
   The program calls the functions below by name with text arguments; the
   page reports back through window.external. Coastlines come from the
   bundled land map, so the map is useful without a network; street tiles
   come through the program (app://tiles/), which keeps them on disk and
   answers from there when the tile server cannot be reached. A tile that
   cannot be had leaves the coastline showing in its place. */
(function () {
  'use strict';
  const ext = () => window.external || {};
  const num = (t) => Number.parseFloat(t);
  const el = document.getElementById('map');
  // The view stays on the one world (a few degrees of slack let a site on
  // the date line sit mid-screen); panning stops firmly at the edge.
  const slack = 5;
  const map = L.map(el, {
    zoomControl: true, attributionControl: true,
    minZoom: 1, maxZoom: 18, zoomSnap: 0.5,
    maxBounds: L.latLngBounds([-90 - slack, -180 - slack], [90 + slack, 180 + slack]),
    maxBoundsViscosity: 1.0,
  }).setView([23.5, 121], 3);
  map.attributionControl.setPrefix(false);
  // Positions reported to the program lie within -180..180 of longitude even
  // where the slack shows the date line's far side.
  const report = (fn, latlng) => {
    const p = latlng.wrap();
    if (ext()[fn]) ext()[fn](p.lat, p.lng);
  };

  // The coastline lies under the street tiles: tiles that load cover it,
  // and it shows wherever a tile is missing.
  map.createPane('coast').style.zIndex = 150;
  // The land as one layer per 20-degree square (a large landmass a layer
  // of its own): a move clips only the layers in view, where the whole
  // world as one layer clipped all its 60,000 points on every move.
  const landByRegion = (land) => {
    const regions = new Map();
    for (const feature of land.features) {
      const g = feature.geometry;
      for (const polygon of g.type === 'MultiPolygon' ? g.coordinates : [g.coordinates]) {
        const [lng, lat] = polygon[0][0];
        const key = polygon[0].length > 1000 ? 'own' + regions.size : Math.floor(lng / 20) + ',' + Math.floor(lat / 20);
        if (!regions.has(key)) regions.set(key, []);
        regions.get(key).push(polygon);
      }
    }
    return {
      type: 'FeatureCollection',
      features: [...regions.values()].map((c) => ({ type: 'Feature', properties: {}, geometry: { type: 'MultiPolygon', coordinates: c } })),
    };
  };
  if (window.ORV_LAND && window.topojson) {
    const land = topojson.feature(ORV_LAND, ORV_LAND.objects.land);
    L.geoJSON(landByRegion(land), {
      interactive: false, pane: 'coast',
      style: { color: '#8fb4a8', weight: 1, fillColor: '#e9efe3', fillOpacity: 1 },
    }).addTo(map);
  }
  // Added once the page has finished loading: tiles still on their way (a
  // slow or stalled server) must not hold back the page, its markers or its
  // events; images started by the load handler itself would.
  const tiles = L.tileLayer('app://tiles/{z}/{x}/{y}.png', {
    maxZoom: 19, attribution: '\u00a9 OpenStreetMap contributors',
  }).on('tileerror', (e) => { e.tile.style.visibility = 'hidden'; });

  const pin = (cls, label, dx) => L.divIcon({
    className: 'orv-pin ' + cls, html: '<span><i>' + label + '</i></span>',
    iconSize: [26, 34], iconAnchor: [13 + (dx || 0), 33],
  });
  const icons = { S: pin('pin-entry', 'S'), E: pin('pin-exit', 'E'), P: pin('pin-site', ''), C: pin('pin-centre', '') };
  // Entry and exit a few metres apart: the two pins lean apart, side by
  // side, so both stay visible and clickable at any zoom.
  const apart = { S: pin('pin-entry', 'S', 15), E: pin('pin-exit', 'E', -15) };
  const markers = {};
  function place(kind, lat, lng, draggable) {
    const at = [num(lat), num(lng)];
    if (!Number.isFinite(at[0]) || !Number.isFinite(at[1])) return;
    if (markers[kind]) markers[kind].setLatLng(at);
    else {
      markers[kind] = L.marker(at, { icon: icons[kind], draggable: !!draggable, keyboard: false }).addTo(map);
      if (draggable) markers[kind].on('dragend', (e) => report('on_poi_move_event', e.target.getLatLng()));
    }
    separate();
  }
  function separate() {
    const s = markers.S, e = markers.E;
    if (!s || !e) return;
    const close = map.latLngToLayerPoint(s.getLatLng()).distanceTo(map.latLngToLayerPoint(e.getLatLng())) < 28;
    s.setIcon(close ? apart.S : icons.S);
    e.setIcon(close ? apart.E : icons.E);
  }
  map.on('zoomend', separate);
  window.setCenter = (lat, lng) => {
    const at = [num(lat), num(lng)];
    if (!Number.isFinite(at[0]) || !Number.isFinite(at[1])) return;
    const zoom = Math.max(map.getZoom(), 12);
    // Already there (another dive of the same site): a move that moves
    // nothing would still clip every coastline path again.
    const offset = map.latLngToContainerPoint(at).distanceTo(map.getSize().divideBy(2));
    if (zoom === map.getZoom() && offset < 0.5) return;
    map.setView(at, zoom);
  };
  window.setCenterWithZoom = (lat, lng, zoom) => {
    const at = [num(lat), num(lng)];
    if (Number.isFinite(at[0]) && Number.isFinite(at[1])) map.setView(at, num(zoom) || 14);
  };
  window.getCenter = () => report('on_get_map_center', map.getCenter());
  window.clrMarker = () => {
    for (const k of Object.keys(markers)) { markers[k].remove(); delete markers[k]; }
  };
  window.setSMarker = (lat, lng) => place('S', lat, lng);
  window.setEMarker = (lat, lng) => place('E', lat, lng);
  window.setPMarker = (lat, lng) => place('P', lat, lng);
  window.setCMarker = (lat, lng) => place('C', lat, lng, true);

  map.on('mousemove', (e) => report('on_mus_move_event', e.latlng));
  window.addEventListener('load', () => {
    map.invalidateSize();
    setTimeout(() => tiles.addTo(map), 0);
    if (ext().on_load_map_event) ext().on_load_map_event();
  });
  window.addEventListener('resize', () => map.invalidateSize());
})();
