// The browser tests' one driver: three engines that differ only in how a page is opened
// (chromium by playwright-core, Firefox by puppeteer-core over WebDriver BiDi, WebKit by
// WebKitWebDriver on a private Xvfb), the devices, the probe in the page, a player's hands, a
// walkthrough played against its transcript, and the site served gzipped as hosts do. A page
// of any engine offers name, evaluate(fn, arg), until(fn, arg), key(name, shift), errors(),
// reload(), goto(url), back(), close(); chromium's also its playwright page (pw) and DevTools
// session (cdp), for a phone's taps and keyboard and a slow machine.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import net from 'node:net';
import path from 'node:path';
import zlib from 'node:zlib';
import { chromium } from 'playwright-core';
import puppeteer from 'puppeteer-core';

// Chromium keeps a page left for its back button, as a browser does, not as playwright sets it.
export const Launch = { executablePath: '/usr/bin/chromium', args: ['--no-sandbox'], ignoreDefaultArgs: ['--disable-back-forward-cache'] };
export const StateTimeout = 90000;  // the longest narration typed, on a busy machine, with room to spare
export const Prompt = 'Pulsa espacio para seguir.';

// A 1280x1024 window at 100 % and 200 % zoom (half the pixels, each two device pixels wide),
// phones and a tablet; `slow`: a phone's processor (four times slower) and network.
const android = (model) => `Mozilla/5.0 (Linux; Android 14; ${model}) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/156.0.0.0 Mobile Safari/537.36`;
const phone = { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, isMobile: true, hasTouch: true, userAgent: android('Pixel 8') };
export const Devices = {
    desktop: { viewport: { width: 1280, height: 1024 }, deviceScaleFactor: 1 },
    zoomed: { viewport: { width: 640, height: 512 }, deviceScaleFactor: 2 },
    phone,
    slow: { ...phone, slow: true },
    tablet: { ...phone, viewport: { width: 820, height: 1180 }, deviceScaleFactor: 2, userAgent: android('Pixel Tablet').replace(' Mobile', '') },
    landscape: { ...phone, viewport: { width: 844, height: 390 } },
};

// In the page before its scripts: counts the game's drawing and notes the frame each key is read
// in, so that a fingerprint is taken only of a state the game waits at, after its key; records
// the page's errors, whether a key's default was prevented, and layout shifts (chromium's).
export function probe() {
    const p = window.probe = { draws: 0, lastDrawFrame: 0, keyFrame: 0, seen: -1, seenAt: 0, errors: [], shift: 0 };
    addEventListener('error', (e) => p.errors.push(e.message ?? `${e.target.src ?? e.target.href} did not load`), true);
    addEventListener('unhandledrejection', (e) => p.errors.push(`unhandled: ${e.reason?.message ?? e.reason}`));
    addEventListener('securitypolicyviolation', (e) => p.errors.push(`refused by the page's policy: ${e.blockedURI}`));
    const error = console.error;
    console.error = (...args) => (p.errors.push(args.join(' ')), error.apply(console, args));
    for (const name of ['drawImage', 'fillRect', 'putImageData']) {
        const real = CanvasRenderingContext2D.prototype[name];
        CanvasRenderingContext2D.prototype[name] = function (...args) {  // the game's drawing, shown by the next frame
            if (this.canvas.id === 'screen') [p.draws, p.lastDrawFrame] = [p.draws + 1, window.Module.frames];
            return real.apply(this, args);
        };
    }
    // The next frame reads a keyboard's key; the page hands its own over as a frame starts. Tab,
    // and keys outside the game, are the page's.
    addEventListener('keydown', (e) => {
        if (e.key !== 'Tab' && e.target.closest?.('#game')) p.keyFrame = window.Module.frames + (e.isTrusted ? 1 : 0);
    }, true);
    addEventListener('keydown', (e) => { p.prevented = e.defaultPrevented; });
    if (PerformanceObserver.supportedEntryTypes.includes('layout-shift'))
        new PerformanceObserver((list) => list.getEntries().forEach((e) => { p.shift += e.hadRecentInput ? 0 : e.value; }))
            .observe({ type: 'layout-shift', buffered: true });
    const table = Array.from({ length: 256 }, (_, n) => {
        for (let k = 0; k < 8; k++) n = n & 1 ? 0xEDB88320 ^ (n >>> 1) : n >>> 1;
        return n >>> 0;
    });
    // CRC-32 of the canvas as red, green, blue bytes, row by row: the desktop's fingerprint.
    p.fingerprint = () => {
        const data = document.getElementById('screen').getContext('2d').getImageData(0, 0, 640, 480).data;
        let crc = -1;
        for (let i = 0; i < data.length; i++)
            if ((i & 3) !== 3) crc = table[(crc ^ data[i]) & 255] ^ (crc >>> 8);
        return ((crc ^ -1) >>> 0).toString(16).padStart(8, '0');
    };
    // The fingerprint once the game has drawn since the key and then waited a whole frame.
    p.settled = () => {
        const frames = window.Module.frames;
        if (p.draws !== p.seen) [p.seen, p.seenAt] = [p.draws, frames];
        else if (frames > p.seenAt && p.lastDrawFrame >= p.keyFrame)
            return { screen: p.fingerprint(), frame: p.lastDrawFrame + 1 };
        return null;
    };
}

// A text as a screen reader hears it: runs of white space are one space.
export const words = (text) => text.replace(/\s+/g, ' ').trim();

// A desktop keyboard's keys, through the DevTools protocol (ñ, ¿ and ¡ typed like any letter),
// and an Android keyboard's: keyCode 229 around inserted text or a deletion; Enter its own key.
const Named = { '\n': ['Enter', '\r', 13], '\b': ['Backspace', '', 8], Escape: ['Escape', '', 27], Tab: ['Tab', '', 9] };
export async function desktopKey(cdp, name, modifier) {
    const [key, text, code] = Named[name] ?? [name, name, 0];
    const modifiers = modifier ? 8 : 0;  // Shift
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', key, text, windowsVirtualKeyCode: code, modifiers });
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', key, windowsVirtualKeyCode: code, modifiers });
}
export async function androidKey(cdp, name) {
    if (name === '\n') return desktopKey(cdp, name);
    const ime = { key: 'Unidentified', windowsVirtualKeyCode: 229 };
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', ...ime, ...(name === '\b' ? { commands: ['deleteBackward'] } : {}) });
    if (name !== '\b') await cdp.send('Input.insertText', { text: name });
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', ...ime });
}
export async function tap(page) {
    const box = await page.pw.locator('#view').boundingBox();
    await page.pw.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
}

// How a player gives the game its keys: on a desktop by key presses; on a phone (chromium's) by
// taps (the title, a page, an ending) and an Android keyboard, with no Escape. The frame that
// reads a key is known only for a keyboard's keys, not for those the page hands over.
export const Hands = {
    desktop: { press: (page, key) => page.key(key), frames: true, escape: true },
    phone: { press: (page, key, tapped) => (tapped ? tap(page) : androidKey(page.cdp, key)), frames: false, escape: false },
};

// The page's own errors, and those of any document it left; the check fails on any.
export const noErrors = (page, where) => page.errors().then((errors) => {
    if (errors.length) throw new Error(`${where}: page errors: ${errors.join(' | ')}`);
});

// A committed walkthrough: its script's lines and its transcript's records.
export function walkthrough(scripts, name) {
    const lines = fs.readFileSync(path.join(scripts, name + '.script'), 'utf8').replaceAll('\r', '').replace(/\n$/, '').split('\n');
    const records = fs.readFileSync(path.join(scripts, name + '.expected.jsonl'), 'utf8')
        .trim().split('\n').map((line) => JSON.parse(line));
    return { name, lines, records };
}

// Plays a walkthrough against its transcript with the given hands, to its end or its first
// state of kind `until`; throws at the first difference, the canvas it saw left in `artifacts`.
export async function play(page, { name, lines, records }, { hands = Hands.desktop, until = null, artifacts }) {
    const device = hands.name ?? page.name;
    // A key or a tap; returns the frame that read it, when it can be known.
    const press = async (key, tapped) => {
        await hands.press(page, key, tapped);
        await page.until(() => Module.frames >= probe.keyFrame);
        return hands.frames ? page.evaluate(() => probe.keyFrame) : null;
    };

    let left = [0, 0];  // the key that left the last state: [desktop frame, browser frame]
    for (const [index, r] of records.entries()) {
        const where = `${name} (${device}): state ${index + 1} (${r.wait ?? 'exit'} ${r.prompt ?? ''})`;
        if ('exit' in r) {
            await page.until(() => document.getElementById('ended').checkVisibility());
            break;
        }
        const shown = await page.until((screen) => {
            const s = probe.settled();
            return s && s.screen === screen && s;
        }, r.screen).catch(async (error) => {
            const png = path.join(artifacts, `${name}-${device}-${index + 1}.png`);
            const data = await page.evaluate(() => document.getElementById('screen')?.toDataURL()).catch(() => null);
            if (!data) throw new Error(`${where}: no game on the page: ${error.message}`);
            fs.writeFileSync(png, Buffer.from(data.split(',')[1], 'base64'));
            throw new Error(`${where}: the canvas never showed ${r.screen}; it shows ${png}, and ` +
                            `sombrial-scripted-player --shots DIR ${name}.script saves what it should`);
        });
        if (left && left[1] !== null && shown.frame - left[1] !== r.frame - left[0])
            throw new Error(`${where}: shown ${shown.frame - left[1]} frames after the key, not ${r.frame - left[0]}`);
        // Each page is a paragraph of its own, its "Pulsa espacio" (when one follows) joined on.
        const story = (await page.evaluate(() => [...document.querySelectorAll('#story p')].map((p) => p.textContent))).map(words);
        for (const text of r.pages ?? [])
            if (!story.includes(words(text)) && !story.includes(words(text + ' ' + Prompt)))
                throw new Error(`${where}: the live region lacks "${text}"`);
        if (r.wait === until) break;

        const line = r.wait === 'prompt' ? lines[r.prompt - 1] : undefined;
        if (r.wait === 'page') left = [r.frame, await press(' ', true)];
        else if (r.wait !== 'prompt') left = [r.frame, await press('\n', r.wait !== 'line')];
        else if (line === undefined && !hands.escape) break;  // a phone has no Escape
        else if (line === undefined) left = null, await press('Escape');
        else if (line === '') left = [r.frame + 1, await press('\n')];  // after the first frame
        else for (const ch of line) left = null, await press(ch);
    }
    await noErrors(page, `${name} (${device})`);
    return `${records.length} states`;
}

// The site as a static host serves it, on the loopback, text gzipped. With `probe`, the pages
// have the probe as their first script, a file of the site's own (the only kind its policy
// runs), for a browser the tests cannot hand a script to run before the page's.
const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
                '.png': 'image/png', '.webmanifest': 'application/manifest+json' };
export async function serve(root, { probe: withProbe = false } = {}) {
    const server = http.createServer((request, response) => {
        const name = path.normalize(new URL(request.url, 'http://x').pathname).replace(/\/$/, '/index.html');
        const file = path.join(root, name);
        const send = (error, body) => {
            const type = types[path.extname(file)] ?? 'application/octet-stream';
            const gzip = !error && !type.startsWith('image/') && /\bgzip\b/.test(request.headers['accept-encoding']);
            response.writeHead(error ? 404 : 200, { 'Content-Type': type, ...(gzip ? { 'Content-Encoding': 'gzip' } : {}) });
            response.end(gzip ? zlib.gzipSync(body) : body);
        };
        if (withProbe && name === '/probe.js') send(null, `(${probe})();\n`);
        else if (withProbe && name.endsWith('.html'))
            fs.readFile(file, 'utf8', (error, html) => send(error, html?.replace('<script', '<script src="probe.js"></script>\n<script')));
        else fs.readFile(file, send);
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    return server;
}

// The keys the walkthroughs name, as WebDriver's (and BiDi's) code points.
const WebDriverKeys = { '\b': '\uE003', '\n': '\uE007', Escape: '\uE00C', Tab: '\uE004', Shift: '\uE008' };
// A wait that failed says what it waited for.
const waited = (fn, wait) => wait.catch((error) => { throw new Error(`${error.message}, waiting for ${fn}`); });

// A page's errors, as the probe records them: those of the documents it leaves too.
function recorded(page) {
    const [seen, errors] = [[], () => page.evaluate(() => window.probe?.errors ?? [])];
    for (const name of ['reload', 'goto', 'back']) {
        const go = page[name];
        page[name] = async (...args) => (seen.push(...await errors()), go(...args));
    }
    page.errors = async () => [...seen, ...await errors()];
    return page;
}

// A page of playwright's or puppeteer's; `wait` is its waitForFunction, arguments in place.
function driven(pp, name, close, wait, back) {
    return recorded({
        name, close,
        evaluate: (fn, arg) => pp.evaluate(fn, arg),
        until: (fn, arg) => waited(fn, wait(fn, { polling: 'raf', timeout: StateTimeout }, arg).then((h) => h.jsonValue())),
        key: async (key, modifier) => {
            if (modifier) await pp.keyboard.down('Shift');
            await pp.keyboard.press(WebDriverKeys[key] ?? key);
            if (modifier) await pp.keyboard.up('Shift');
        },
        reload: () => pp.reload(),
        goto: (url) => pp.goto(url),
        back: () => pp.goBack(back),
    });
}
export async function chromiumPage(pw, name, close = () => pw.close()) {
    // A page the back button restores from chromium's cache has no load of its own to wait for.
    const [page, cdp] = [driven(pw, name, close, (fn, options, arg) => pw.waitForFunction(fn, arg, options), { waitUntil: 'commit' }),
                         await pw.context().newCDPSession(pw)];
    return Object.assign(page, { pw, cdp, key: (key, shift) => desktopKey(cdp, key, shift) });
}

// Polls until `check` gives something, for at most `seconds`.
export async function waitFor(what, check, seconds = 30) {
    for (const end = Date.now() + seconds * 1000; ;) {
        const value = await check();
        if (value) return value;
        if (Date.now() > end) throw new Error(`no ${what} within ${seconds} s`);
        await new Promise((resolve) => setTimeout(resolve, 50));
    }
}

// The processes the tests start; none outlives them.
export const children = new Set();
process.on('exit', () => children.forEach((child) => child.kill('SIGKILL')));
export function start(command, args, options) {
    const child = spawn(command, args, options);
    children.add(child);
    child.on('exit', () => children.delete(child));
    return child;
}

// A private X display: Xvfb writes the free number it takes on descriptor 3 once it is ready.
export function xvfb(options = []) {
    const server = start('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp', ...options],
                         { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    return new Promise((resolve, reject) => {
        let text = '';
        server.stdio[3].on('data', (chunk) => /^\d+\n/.test(text += chunk) && resolve({ server, display: ':' + text.trim() }));
        server.on('exit', () => reject(new Error(`Xvfb ended: ${text}`)));
    });
}

export function freePort() {
    const probing = net.createServer().listen(0, '127.0.0.1');
    return new Promise((resolve) => probing.on('listening', () => { const { port } = probing.address(); probing.close(() => resolve(port)); }));
}

// One W3C WebDriver command: its value, or its error thrown.
async function command(base, method, route, body) {
    const response = await fetch(base + route, { method, headers: { 'Content-Type': 'application/json' },
                                                 body: body && JSON.stringify(body) });
    const { value } = await response.json();
    if (!response.ok) throw new Error(`WebDriver ${method} ${route}: ${value.error}: ${value.message}`);
    return value;
}

// Where Debian's libwebkit2gtk-4.1-0 installs the browser WebKitWebDriver drives.
const MiniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

// A WebKit page: a driver of its own (it holds one session) and its MiniBrowser window, its
// zoom GTK's scale; the probe comes with the page from the tests' server (serve's `probe`).
async function webkitPage(display, url, device) {
    const port = await freePort();
    const driver = start('WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore',
        env: { ...process.env, DISPLAY: display, GDK_SCALE: String(device.deviceScaleFactor) } });
    let base = `http://127.0.0.1:${port}`;
    await waitFor('WebKitWebDriver', () => {
        if (driver.exitCode !== null) throw new Error(`WebKitWebDriver ended with ${driver.exitCode}`);
        return fetch(base + '/status').then((r) => r.ok, () => false);
    });
    const { sessionId } = await command(base, 'POST', '/session', { capabilities: { alwaysMatch: {
        'webkitgtk:browserOptions': { binary: MiniBrowser, args: ['--automation'] } } } });
    base += '/session/' + sessionId;
    const send = (method, route, body) => command(base, method, route, body);
    await send('POST', '/timeouts', { script: StateTimeout });
    await send('POST', '/window/rect', { x: 0, y: 0, ...device.viewport });
    // A function of the page run with its argument, awaited: its value, or its error thrown.
    const run = async (source, arg) => {
        const result = await send('POST', '/execute/async', { args: [arg], script: 'const done = arguments[1];' +
            `Promise.resolve().then(() => (${source})(arguments[0])).then((value) => done({ value }),` +
            '(error) => done({ error: String(error) }));' });
        if ('error' in result) throw new Error(result.error);
        return result.value;
    };
    const keys = (key, modifier) => [...(modifier ? ['Shift'] : []), key].map((k) => WebDriverKeys[k] ?? k);
    const page = recorded({
        name: 'webkit',
        evaluate: (fn, arg) => run(String(fn), arg),
        // Checked at every animation frame, as playwright's and puppeteer's waits do.
        until: (fn, arg) => waited(fn, run(`(arg) => new Promise((resolve, reject) => (function check() {
            try { const value = (${fn})(arg); value ? resolve(value) : requestAnimationFrame(check); } catch (error) { reject(error); }
        })())`, arg)),
        key: (key, modifier) => send('POST', '/actions', { actions: [{ type: 'key', id: 'keyboard', actions: [
            ...keys(key, modifier).map((value) => ({ type: 'keyDown', value })),
            ...keys(key, modifier).reverse().map((value) => ({ type: 'keyUp', value }))] }] }),
        reload: () => send('POST', '/refresh', {}),
        goto: (to) => send('POST', '/url', { url: to }),
        back: () => send('POST', '/back', {}),
        close: async () => (await send('DELETE', '', undefined).catch(() => {}), driver.kill()),
    });
    await send('POST', '/url', { url });
    return page;
}

// Each engine's launch gives { open(url, device), close() }: a page in a profile of its own, at
// the device's size and zoom. WebKit's pages must come from a server that hands out the probe.
export const Engines = {
    chromium: {
        async launch() {
            const browser = await chromium.launch(Launch);
            return {
                async open(url, device = 'desktop') {
                    const { slow, ...options } = Devices[device];
                    const context = await browser.newContext(options);
                    context.setDefaultTimeout(StateTimeout);
                    const pw = await context.newPage();
                    await pw.addInitScript(probe);
                    const page = await chromiumPage(pw, device, () => context.close());
                    if (slow) await Promise.all([page.cdp.send('Emulation.setCPUThrottlingRate', { rate: 4 }),
                        page.cdp.send('Network.emulateNetworkConditions', { offline: false, latency: 150, downloadThroughput: 2e5, uploadThroughput: 1e5 })]);
                    await pw.goto(url);
                    return page;
                },
                close: () => browser.close(),
            };
        },
    },
    firefox: {
        async launch() {
            // No page kept for the back button: Firefox counts it open, and a new offline copy waits.
            const browser = await puppeteer.launch({ browser: 'firefox', protocol: 'webDriverBiDi', headless: true,
                executablePath: '/usr/bin/firefox-esr', extraPrefsFirefox: { 'browser.sessionhistory.max_total_viewers': 0 } });
            return {
                async open(url, device = 'desktop') {
                    const context = await browser.createBrowserContext();
                    const pp = await context.newPage({ type: 'window' });  // a tab behind another is not drawn
                    pp.setDefaultTimeout(StateTimeout);
                    await pp.setViewport({ ...Devices[device].viewport, deviceScaleFactor: Devices[device].deviceScaleFactor });
                    await pp.evaluateOnNewDocument(probe);
                    const page = driven(pp, 'firefox', () => context.close(), (fn, options, arg) => pp.waitForFunction(fn, options, arg));
                    await pp.goto(url);
                    return page;
                },
                close: () => browser.close(),
            };
        },
    },
    webkit: {
        servedProbe: true,
        // Each window on a display of its own, where it alone has the focus.
        async launch() {
            return {
                async open(url, device = 'desktop') {
                    const x = await xvfb();
                    const page = await webkitPage(x.display, url, Devices[device]);
                    const close = page.close;
                    page.close = async () => (await close(), x.server.kill());
                    return page;
                },
                close: async () => {},
            };
        },
    },
};
