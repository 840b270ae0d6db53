// Starts the handheld without the network: the app's files are kept in a
// cache and served from it, then refreshed from the desktop when it answers.
// The API is never cached.

const CACHE = 'coletor-v1';
const ARQUIVOS = [
  '/', '/app.js', '/app.css', '/manifest.webmanifest', '/icone.svg',
  '/modulos/api.js', '/modulos/armazem.js', '/modulos/camera.js', '/modulos/codigo.js',
  '/modulos/senha.js', '/modulos/som.js',
  '/decodificador/share.js', '/decodificador/reader/index.js',
  '/decodificador/reader/zxing_reader.wasm',
];

self.addEventListener('install', (evento) => {
  evento.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(ARQUIVOS)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (evento) => {
  evento.waitUntil(caches.keys()
                       .then((nomes) => Promise.all(nomes.filter((n) => n !== CACHE).map((n) => caches.delete(n))))
                       .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (evento) => {
  const url = new URL(evento.request.url);
  if (evento.request.method !== 'GET' || url.origin !== self.location.origin || url.pathname.startsWith('/api/')) {
    return;
  }
  // The address of the page may carry the pairing code after '#': the cache
  // key is the page itself.
  const chave = evento.request.mode === 'navigate' ? '/' : url.pathname;
  evento.respondWith(caches.open(CACHE).then(async (cache) => {
    const guardada = await cache.match(chave);
    const daRede = fetch(evento.request).then((resposta) => {
      if (resposta.ok) cache.put(chave, resposta.clone());
      return resposta;
    });
    if (guardada) {
      evento.waitUntil(daRede.catch(() => {}));
      return guardada;
    }
    return daRede;
  }));
});
