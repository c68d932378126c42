// Figures of the browser build on this machine's headless chromium: what a static host sends
// (gzip'd), the time from navigation to the title's first frame on a desktop and on a phone
// with a slow processor and network (first visit, and second visit from the offline copy),
// and the frame period while the game types. The page's own mark and frame counter give the
// times; nothing is added.
// usage: node bench/web.mjs [SITE] [--loads N] [--phone-loads N] [--runs N]
// (after tests/suites/40-web.sh, which builds the site and installs playwright-core into
// tests/web)
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import zlib from 'node:zlib';
import { createRequire } from 'node:module';
import { Devices, Launch, types } from '../tests/web/browser.mjs';

const { chromium } = createRequire(new URL('../tests/web/package.json', import.meta.url))('playwright-core');
const args = process.argv.slice(2);
const option = (name, fallback) => (args.includes(name) ? Number(args[args.indexOf(name) + 1]) : fallback);
const site = args[0] && !args[0].startsWith('--') ? args[0] : 'build/web/site';
const loads = option('--loads', 20);
const phoneLoads = option('--phone-loads', 5);
const runs = option('--runs', 8);

const quantile = (values, q) => [...values].sort((a, b) => a - b)[Math.min(values.length - 1, Math.floor(q * values.length))];
const ms = (value) => value.toFixed(1);

// What a static host with compression sends: each file gzip'd at the strongest level.
const files = fs.readdirSync(site);
const gzipped = Object.fromEntries(files.map((f) => [f, zlib.gzipSync(fs.readFileSync(path.join(site, f)), { level: 9 })]));
const total = Object.values(gzipped).reduce((sum, body) => sum + body.length, 0);
console.log(`transfer, gzip'd: ${(total / 1024).toFixed(1)} KiB (${files.map((f) => `${f} ${(gzipped[f].length / 1024).toFixed(1)}`).join(', ')})`);

// The site from this machine's loopback, either compressed as a static host sends it or plain.
function serve(compressed) {
    const server = http.createServer((request, response) => {
        const name = new URL(request.url, 'http://x').pathname.slice(1) || 'index.html';
        if (!files.includes(name)) return response.writeHead(404).end();
        const headers = { 'Content-Type': types[path.extname(name)] ?? 'application/octet-stream' };
        if (compressed) headers['Content-Encoding'] = 'gzip';
        response.writeHead(200, headers).end(compressed ? gzipped[name] : fs.readFileSync(path.join(site, name)));
    });
    return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

const browser = await chromium.launch(Launch);

// Navigation to the title's first frame on a page, read from the page's own mark.
async function firstFrame(page, url) {
    await page.goto(url);
    await page.waitForFunction(() => performance.getEntriesByName('sombrial-first-frame').length);
    return page.evaluate(() => performance.getEntriesByName('sombrial-first-frame')[0].startTime);
}

// Navigation to the title's first frame, each load in a fresh context (an empty cache).
for (const compressed of [true, false]) {
    const server = await serve(compressed);
    const times = [];
    for (let i = 0; i <= loads; i++) {
        const context = await browser.newContext();
        const time = await firstFrame(await context.newPage(), `http://127.0.0.1:${server.address().port}/`);
        if (i > 0) times.push(time);  // the first load warms the browser up
        await context.close();
    }
    console.log(`navigation to the title's first frame, ${compressed ? 'gzip' : 'plain'}: median ${ms(quantile(times, 0.5))} ms, best ${ms(Math.min(...times))} ms, of ${loads}`);
    server.close();
}

// The same on an Android phone with its processor slowed 4 times and a slow mobile network
// (1.6 Mbit/s down, 750 kbit/s up, 150 ms latency), gzip'd: a first visit in a fresh context,
// then, once the worker has kept the site, a second visit served by it.
{
    const server = await serve(true);
    const url = `http://127.0.0.1:${server.address().port}/`;
    const slow = async (page) => {
        const cdp = await page.context().newCDPSession(page);
        await cdp.send('Network.enable');
        await cdp.send('Network.emulateNetworkConditions', { offline: false, latency: 150,
            downloadThroughput: 1.6e6 / 8, uploadThroughput: 750e3 / 8 });
        await cdp.send('Emulation.setCPUThrottlingRate', { rate: 4 });
        return page;
    };
    const first = [], second = [];
    for (let i = 0; i <= phoneLoads; i++) {
        const context = await browser.newContext(Devices.phone);
        const page = await slow(await context.newPage());
        const time = await firstFrame(page, url);
        // A site without the worker (an older build) has no second visit to measure.
        const kept = await page.evaluate(async () =>
            !!(await navigator.serviceWorker.getRegistration()) && !!(await navigator.serviceWorker.ready));
        await page.close();
        const again = kept ? await firstFrame(await slow(await context.newPage()), url) : NaN;
        if (i > 0) first.push(time), second.push(again);
        await context.close();
    }
    console.log(`phone, slow processor and network: first visit median ${ms(quantile(first, 0.5))} ms, ` +
                `second visit (the worker's copy) median ${ms(quantile(second, 0.5))} ms, of ${phoneLoads}`);
    server.close();
}

// The frame period while the laboratory's description is typed out, after Enter on the title.
const server = await serve(true);
const periods = [];
for (let i = 0; i < runs; i++) {
    const page = await browser.newPage();
    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    await page.waitForFunction(() => Module.frames > 0);
    await page.evaluate(() => {
        window.presented = [];
        const page = Module.onFrame;
        Module.onFrame = (frames) => { presented.push(performance.now()); page(frames); };
        addEventListener('keydown', () => { presented = []; }, { capture: true, once: true });
    });
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.getElementById('story').childElementCount >= 2);  // the title's words, then its first page
    const times = await page.evaluate(() => presented);
    // From the room's first frame: the one before read the Enter and decoded the picture.
    periods.push(...times.slice(3).map((t, k) => t - times[k + 2]));
    await page.close();
}
console.log(`frame period while the game types: median ${quantile(periods, 0.5).toFixed(2)} ms, 99th percentile ${ms(quantile(periods, 0.99))} ms, of ${periods.length}`);
await browser.close();
server.close();
