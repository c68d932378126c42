// The offline copy of the site: every file of one build, kept under that build's version.
// The build writes the version (from the files' contents) and the file list in below.
'use strict';

const Files = [@SITE_FILES@];
// The scope is in the name: two copies of the game on one host keep their own files.
const Prefix = 'sombrial ' + self.registration.scope + ' ';
const Cache = Prefix + '@SITE_VERSION@';

// A new build's files are all fetched before it takes over, past the browser's HTTP cache.
self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(Cache).then((cache) =>
        cache.addAll(Files.map((file) => new Request(file, {cache: 'reload'})))));
});

// Once no page of the old build is open, the new one takes over and the old files go.
self.addEventListener('activate', (event) => {
    event.waitUntil(caches.keys().then((names) => Promise.all(
        names.filter((name) => name.startsWith(Prefix) && name !== Cache).map((name) => caches.delete(name)))));
});

// Every file from this build's copy, so that a page and its program always belong together;
// anything else from the network.
self.addEventListener('fetch', (event) => {
    if (event.request.method !== 'GET')
        return;
    event.respondWith(caches.open(Cache)
        .then((cache) => cache.match(event.request, {ignoreSearch: true}))
        .then((copy) => copy || fetch(event.request)));
});
