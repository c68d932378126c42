// The game in a real browser, headless chromium: every walkthrough script played by key
// presses on a desktop page, and some by taps and an Android keyboard on an emulated phone,
// the canvas compared at every state the player waits at with the fingerprint the desktop
// scripted player recorded there, frame counts and live region too; then the page's fit on
// phones and tablets, the keys of an on-screen keyboard, the offline copy and installability.
// usage: node play.mjs SITE_DIR SCRIPTS_DIR ARTIFACTS_DIR [CHECK...]
//        a CHECK is a script's name, or layout, typing, offline, install (default: all)
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import { chromium } from 'playwright-core';

const [site, scripts, artifacts, ...only] = process.argv.slice(2);
const StateTimeout = 90000;  // the longest narration typed, on a busy machine, with room to spare
// Played on the phone too: the chapter's end, a death, and the typing of ñ, ¿, ¡ and Backspace.
const PhoneScripts = ['walkthrough', 'death-leaving', 'typing'];
const Prompt = 'Pulsa espacio para seguir.';

const Launch = { executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] };
const android = (model) => `Mozilla/5.0 (Linux; Android 14; ${model}) AppleWebKit/537.36 ` +
                           '(KHTML, like Gecko) Chrome/156.0.0.0 Mobile Safari/537.36';
const Devices = {
    desktop: {},
    phone: { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, isMobile: true, hasTouch: true,
             userAgent: android('Pixel 8') },
    tablet: { viewport: { width: 820, height: 1180 }, deviceScaleFactor: 2, isMobile: true, hasTouch: true,
              userAgent: android('Pixel Tablet').replace(' Mobile', '') },
    landscape: { viewport: { width: 844, height: 390 }, deviceScaleFactor: 3, isMobile: true, hasTouch: true,
                 userAgent: android('Pixel 8') },
};

// In the page before its own scripts: counts canvas drawing and notes the frame each key will
// be read in, so that a fingerprint is taken only of a state the game waits at (a whole frame
// presented without drawing), after the key that led to it.
function probe() {
    const p = window.probe = { draws: 0, lastDrawFrame: 0, keyFrame: 0, seen: -1, seenAt: 0 };
    for (const name of ['drawImage', 'fillRect', 'putImageData']) {
        const real = CanvasRenderingContext2D.prototype[name];
        CanvasRenderingContext2D.prototype[name] = function (...args) {
            p.draws++;
            p.lastDrawFrame = window.Module.frames;  // shown by the next frame
            return real.apply(this, args);
        };
    }
    // A keyboard's key reaches the game between frames: the next frame's event pump reads it.
    // The page hands its own keys (taps, an on-screen keyboard's text) over as a frame starts.
    addEventListener('keydown', (e) => { p.keyFrame = window.Module.frames + (e.isTrusted ? 1 : 0); }, true);
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
const words = (text) => text.replace(/\s+/g, ' ').trim();

// What a desktop keyboard sends, through the DevTools protocol, so that ñ, ¿ and ¡ are typed
// like any letter; and what an Android keyboard sends: keyCode 229 around text inserted into
// the focused field, or around a deleteContentBackward; its Enter is a key of its own.
const Named = { '\n': ['Enter', '\r', 13], '\b': ['Backspace', '', 8], Escape: ['Escape', '', 27] };
async function desktopKey(cdp, name) {
    const [key, text, code] = Named[name] ?? [name, name, 0];
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', key, text, windowsVirtualKeyCode: code });
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', key, windowsVirtualKeyCode: code });
}
async function androidKey(cdp, name) {
    if (name === '\n') return desktopKey(cdp, name);
    const ime = { key: 'Unidentified', windowsVirtualKeyCode: 229 };
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', ...ime,
                                                ...(name === '\b' ? { commands: ['deleteBackward'] } : {}) });
    if (name !== '\b') await cdp.send('Input.insertText', { text: name });
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', ...ime });
}
async function tap(page) {
    const box = await page.locator('#screen').boundingBox();
    await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
}

// A page of the site on a device (in a context of its own unless given one), with the probe;
// page errors are collected.
async function open(browser, url, device, context = null) {
    context ??= await browser.newContext(Devices[device]);
    const page = await context.newPage();
    page.errors = [];
    page.on('pageerror', (error) => page.errors.push(error.message));
    page.on('console', (message) => message.type() === 'error' && page.errors.push(message.text()));
    await page.addInitScript(probe);
    page.cdp = await context.newCDPSession(page);
    await page.goto(url);
    return page;
}

// Plays one script against its expected transcript, on the desktop by key presses, on the
// phone by taps and the Android keyboard; throws at the first difference. `until` stops at the
// first state of that kind.
async function play(browser, url, name, device = 'desktop', until = null, page = null) {
    const lines = fs.readFileSync(path.join(scripts, name + '.script'), 'utf8').replaceAll('\r', '').split('\n');
    if (lines.at(-1) === '') lines.pop();
    const records = fs.readFileSync(path.join(scripts, name + '.expected.jsonl'), 'utf8')
        .trim().split('\n').map((line) => JSON.parse(line));
    page ??= await open(browser, url, device);
    const phone = device !== 'desktop';
    // A key or a tap; returns the frame that read it, when the test can know it.
    const press = async (name, tapped) => {
        if (tapped) await tap(page);
        else await (phone ? androidKey : desktopKey)(page.cdp, name);
        await page.waitForFunction(() => Module.frames >= probe.keyFrame, null, { polling: 'raf' });
        return phone ? null : page.evaluate(() => probe.keyFrame);
    };

    let left = [0, 0];  // the key that left the last state: [desktop frame, browser frame]
    for (const [index, r] of records.entries()) {
        const where = `${name} (${device}): state ${index + 1} (${r.wait ?? 'exit'} ${r.prompt ?? ''})`;
        if ('exit' in r) {
            await page.waitForSelector('#ended', { state: 'visible', timeout: StateTimeout });
            break;
        }
        const shown = await page.waitForFunction((screen) => {
            const s = probe.settled();
            return s && s.screen === screen && s;
        }, r.screen, { polling: 'raf', timeout: StateTimeout }).then((h) => h.jsonValue()).catch(async () => {
            const png = path.join(artifacts, `${name}-${device}-${index + 1}.png`);
            const data = await page.evaluate(() => document.getElementById('screen').toDataURL());
            fs.writeFileSync(png, Buffer.from(data.split(',')[1], 'base64'));
            throw new Error(`${where}: the canvas never showed ${r.screen}; it shows ${png}, and ` +
                            `sombrial-autoplay --shots DIR ${name}.script saves what it should`);
        });
        if (left && left[1] !== null && shown.frame - left[1] !== r.frame - left[0])
            throw new Error(`${where}: shown ${shown.frame - left[1]} frames after the key, not ${r.frame - left[0]}`);
        const story = (await page.$$eval('#story p', (ps) => ps.map((p) => p.textContent))).map(words);
        for (const text of r.pages ?? [])
            if (!story.includes(words(text)) && !story.includes(words(text + ' ' + Prompt)))
                throw new Error(`${where}: the live region lacks "${text}"`);
        if (r.wait === until) break;

        const line = r.wait === 'prompt' ? lines[r.prompt - 1] : undefined;
        if (r.wait === 'page') left = [r.frame, await press(' ', phone)];
        else if (r.wait !== 'prompt') left = [r.frame, await press('\n', phone && r.wait !== 'line')];
        else if (line === undefined && phone) break;  // the desktop's Escape: a phone has none
        else if (line === undefined) left = null, await press('Escape');
        else if (line === '') left = [r.frame + 1, await press('\n')];  // after the first frame
        else for (const ch of line) left = null, await press(ch);
    }
    if (page.errors.length) throw new Error(`${name} (${device}): page errors: ${page.errors.join(' | ')}`);
    return `${records.length} states`;
}

// Is the condition true in the page, within the time a state may take?
const until = (page, condition, arg) =>
    page.waitForFunction(condition, arg, { polling: 'raf', timeout: StateTimeout });

// Taps through the title and the pages to the next command line.
async function toCommandLine(page) {
    for (;;) {
        await until(page, () => ['line', 'space', 'enter'].includes(Module.waits));
        if (await page.evaluate(() => Module.waits) === 'line') return;
        await tap(page);
        await until(page, () => !['space', 'enter'].includes(Module.waits));
    }
}

// The page on a phone upright, a tablet, a phone on its side and a desktop: the game in
// view and as large as the device allows, the help in words for it, a keyboard's Enter still
// taken; on touch screens, the game still whole above an on-screen keyboard (the visual
// viewport shortened as an open one does).
async function layout(browser, url) {
    const results = [];
    for (const device of ['phone', 'tablet', 'landscape', 'desktop']) {
        const page = await open(browser, url, device);
        await until(page, () => Module.frames > 0);
        const measure = () => page.evaluate(() => {
            const r = document.getElementById('screen').getBoundingClientRect();
            const v = window.visualViewport;
            const help = [...document.querySelectorAll('#help span')].find((s) => s.offsetParent);
            return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width,
                     height: r.height, viewWidth: v.width, viewHeight: v.height, help: help.textContent };
        });
        const m = await measure();
        const where = `layout (${device})`;
        if (m.left < 0 || m.top < 0 || m.right > m.viewWidth + 0.5 || m.bottom > m.viewHeight + 0.5)
            throw new Error(`${where}: the game is not all in view: ${JSON.stringify(m)}`);
        const touch = device !== 'desktop';
        if (touch && m.width < 0.9 * m.viewWidth && m.bottom < 0.8 * m.viewHeight)
            throw new Error(`${where}: the game is not as large as it fits: ${JSON.stringify(m)}`);
        if (device === 'phone' && m.width < 0.9 * m.viewWidth)
            throw new Error(`${where}: the game is ${m.width} px wide of ${m.viewWidth}`);
        if (device === 'desktop' && m.width !== 640)
            throw new Error(`${where}: the game is ${m.width} px wide, not 640 (1280x720 at 1)`);
        if (!/\b(Toca|Escape)\b/.test(m.help) || /Toca/.test(m.help) !== touch)
            throw new Error(`${where}: the help line says "${m.help}"`);
        if (touch) {
            await page.evaluate(() => {
                const height = Object.getOwnPropertyDescriptor(VisualViewport.prototype, 'height').get;
                const keyboard = Math.round(window.innerHeight * 0.45);
                Object.defineProperty(VisualViewport.prototype, 'height',
                                      { get() { return height.call(this) - keyboard; } });
                window.visualViewport.dispatchEvent(new Event('resize'));
            });
            const k = await measure();
            if (k.top < 0 || k.bottom > k.viewHeight + 0.5)
                throw new Error(`${where}: the command line is under the keyboard: ${JSON.stringify(k)}`);
        }
        await desktopKey(page.cdp, '\n');
        await until(page, () => Module.waits !== 'enter');
        if (page.errors.length) throw new Error(`${where}: page errors: ${page.errors.join(' | ')}`);
        await page.context().close();
        results.push(`${device} ${Math.round(m.width)}x${Math.round(m.height)}`);
    }
    return results.join(', ');
}

// The on-screen keyboard's harder cases on the phone: a word and its Enter at once (the Enter
// waits for the word), a paste longer than the command line takes (the rest dropped at once,
// never typed out), an input method's key without text (nothing), and a keyboard's key (once).
async function typing(browser, url) {
    const page = await open(browser, url, 'phone');
    const said = () => page.$$eval('#story p', (ps) => ps.map((p) => p.textContent));
    await toCommandLine(page);
    await page.cdp.send('Input.insertText', { text: 'examinar rata' });
    await desktopKey(page.cdp, '\n');
    await until(page, () => [...document.querySelectorAll('#story p')].some((p) => p.textContent === 'Orden: examinar rata'));

    await toCommandLine(page);
    const limit = await page.evaluate(() => Module.lineLimit);
    const start = await page.evaluate(() => Module.frames);
    await page.cdp.send('Input.insertText', { text: 'ñ'.repeat(limit + 100) });
    await until(page, (n) => Module.commandLine().length === n, limit);
    const frames = await page.evaluate(() => Module.frames) - start;
    if (frames > limit + 3) throw new Error(`typing: ${limit} characters took ${frames} frames`);
    await androidKey(page.cdp, '\n');
    await until(page, () => Module.waits !== 'line');
    if (!(await said()).includes('Orden: ' + 'ñ'.repeat(limit)))
        throw new Error('typing: the long line was not submitted whole and alone');

    await toCommandLine(page);
    await page.cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', key: 'Unidentified', windowsVirtualKeyCode: 229 });
    await page.cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', key: 'Unidentified', windowsVirtualKeyCode: 229 });
    await desktopKey(page.cdp, 'x');
    await until(page, () => Module.commandLine() === 'x' && document.getElementById('typing').value === 'x');
    await androidKey(page.cdp, '\b');
    await androidKey(page.cdp, 'y');
    await desktopKey(page.cdp, '\n');
    await until(page, () => Module.waits !== 'line');
    const last = (await said()).filter((t) => t.startsWith('Orden: ')).at(-1);
    if (last !== 'Orden: y') throw new Error(`typing: "${last}", not "Orden: y"`);
    if (page.errors.length) throw new Error(`typing: page errors: ${page.errors.join(' | ')}`);
    await page.context().close();
    return '3 lines';
}

// The site as a static host serves it, on a port of this machine's loopback.
const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
                 '.png': 'image/png', '.webmanifest': 'application/manifest+json' };
async function serve(root) {
    const server = http.createServer((request, response) => {
        const file = path.join(root, path.normalize(new URL(request.url, 'http://x').pathname).replace(/\/$/, '/index.html'));
        fs.readFile(file, (error, body) => {
            response.writeHead(error ? 404 : 200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' });
            response.end(body);
        });
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    return server;
}

// Offline after one visit: the worker keeps the site; reloaded without a network, the game
// plays to its first command line. Then the site is built again with one file changed, and
// the new build replaces the old, whole: its file is served, the old copy is gone.
async function offline(browser) {
    const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'sombrial-site-'));
    fs.cpSync(site, copy, { recursive: true });
    const server = await serve(copy);
    const url = `http://127.0.0.1:${server.address().port}/`;
    const context = await browser.newContext(Devices.phone);
    const cached = (page) => page.evaluate(async () => {
        const names = await caches.keys();
        return { names, files: names.length ? (await (await caches.open(names[0])).keys()).length : 0 };
    });
    try {
        let page = await open(browser, url, 'phone', context);
        await until(page, () => navigator.serviceWorker.controller === null && Module.frames > 0);
        await page.evaluate(() => navigator.serviceWorker.ready);
        const first = await cached(page);
        const files = fs.readdirSync(copy).length;  // every file, and the folder's own address
        if (first.names.length !== 1 || first.files !== files)
            throw new Error(`offline: after one visit the copy is ${JSON.stringify(first)}, not ${files} files`);
        await context.setOffline(true);
        await page.reload();
        await play(browser, url, 'walkthrough', 'phone', 'prompt', page);
        await context.setOffline(false);

        // The build again, one file changed: its worker has a new version.
        fs.appendFileSync(path.join(copy, 'page.css'), '\n/* rebuilt */\n');
        const listed = fs.readdirSync(copy).filter((f) => f !== 'worker.js');
        execFileSync('cmake', [`-DSITE=${copy}`, `-DTEMPLATE=${path.resolve('platforms/web/worker.js')}`,
                               `-DFILES=${listed.join(';')}`, '-P', path.resolve('platforms/web/worker.cmake')]);
        await page.evaluate(async () => {
            const registration = await navigator.serviceWorker.ready;
            await registration.update();
            const next = registration.installing || registration.waiting;
            if (next && next.state !== 'installed')
                await new Promise((resolve) => next.addEventListener('statechange', () => next.state === 'installed' && resolve()));
        });
        await page.close();
        page = await context.newPage();
        await page.goto(url);
        const css = await page.evaluate(async () => (await fetch('page.css')).text());
        const after = await cached(page);
        if (!css.includes('rebuilt') || after.names.length !== 1 || after.names[0] === first.names[0])
            throw new Error(`offline: the rebuilt site did not replace the old: ${JSON.stringify(after)}`);
    } finally {
        await context.close();
        server.close();
        fs.rmSync(copy, { recursive: true, force: true });
    }
    return 'played offline; the rebuild replaced the copy';
}

// Installable as an app: chromium finds nothing missing in the manifest, icons or page. It
// installs nothing from a private window, so this page has a profile of its own.
async function install(browser, url) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'sombrial-profile-'));
    const context = await chromium.launchPersistentContext(profile, { ...Launch, ...Devices.phone });
    try {
        const page = await open(browser, url, 'phone', context);
        await until(page, () => Module.frames > 0);
        const { installabilityErrors } = await page.cdp.send('Page.getInstallabilityErrors');
        if (installabilityErrors.length) throw new Error(`install: ${JSON.stringify(installabilityErrors)}`);
    } finally {
        await context.close();
        fs.rmSync(profile, { recursive: true, force: true });
    }
    return 'no installability errors';
}

const server = await serve(site);
const url = `http://127.0.0.1:${server.address().port}/`;
fs.mkdirSync(artifacts, { recursive: true });
const names = fs.readdirSync(scripts).filter((f) => f.endsWith('.script')).map((f) => f.slice(0, -7));
const checks = {
    ...Object.fromEntries(names.map((name) => [name, (b) => play(b, url, name)])),
    ...Object.fromEntries(PhoneScripts.map((name) => [`${name} (phone)`, (b) => play(b, url, name, 'phone')])),
    layout: (b) => layout(b, url),
    typing: (b) => typing(b, url),
    offline: (b) => offline(b),
    install: (b) => install(b, url),
};
const chosen = Object.keys(checks).filter((c) => !only.length || only.some((o) => c === o || c.startsWith(o + ' ')));
const browser = await chromium.launch(Launch);
// All at once: the games mostly wait out their frames, so they share the machine well.
const results = await Promise.allSettled(chosen.map((check) => checks[check](browser)));
let failed = 0;
results.forEach((result, i) => {
    if (result.status === 'fulfilled') console.log(`ok   ${chosen[i]}: ${result.value}`);
    else console.log(`FAIL ${chosen[i]}: ${result.reason.message}`), failed++;
});
console.log(`${chosen.length - failed} passed, ${failed} failed`);
await browser.close();
server.close();
process.exit(failed ? 1 : 0);
