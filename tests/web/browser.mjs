// What the browser tests share: the devices they emulate, the probe that tells when the game
// waits, what its canvas shows and which errors the page met, a player's hands (keys, taps, an
// on-screen keyboard), a committed walkthrough played against its transcript in any engine
// (engines.mjs), and the server the site is played from.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

export const Launch = { executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] };
export const StateTimeout = 90000;  // the longest narration typed, on a busy machine, with room to spare
export const Prompt = 'Pulsa espacio para seguir.';

const android = (model) => `Mozilla/5.0 (Linux; Android 14; ${model}) AppleWebKit/537.36 ` +
                           '(KHTML, like Gecko) Chrome/156.0.0.0 Mobile Safari/537.36';
export const Devices = {
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
// presented without drawing), after the key that led to it; and records the page's errors,
// for an engine whose driver passes none.
export function probe() {
    const p = window.probe = { draws: 0, lastDrawFrame: 0, keyFrame: 0, seen: -1, seenAt: 0, errors: [] };
    addEventListener('error', (e) => p.errors.push(e.message ?? `${e.target.src ?? e.target.href} did not load`), true);
    addEventListener('unhandledrejection', (e) => p.errors.push(`unhandled: ${e.reason?.message ?? e.reason}`));
    addEventListener('securitypolicyviolation', (e) => p.errors.push(`refused by the page's policy: ${e.blockedURI}`));
    const error = console.error;
    console.error = (...args) => (p.errors.push(args.join(' ')), error.apply(console, args));
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
export const words = (text) => text.replace(/\s+/g, ' ').trim();

// What a desktop keyboard sends, through the DevTools protocol, so that ñ, ¿ and ¡ are typed
// like any letter; and what an Android keyboard sends: keyCode 229 around text inserted into
// the focused field, or around a deleteContentBackward; its Enter is a key of its own.
const Named = { '\n': ['Enter', '\r', 13], '\b': ['Backspace', '', 8], Escape: ['Escape', '', 27] };
export async function desktopKey(cdp, name) {
    const [key, text, code] = Named[name] ?? [name, name, 0];
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', key, text, windowsVirtualKeyCode: code });
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', key, windowsVirtualKeyCode: code });
}
export async function androidKey(cdp, name) {
    if (name === '\n') return desktopKey(cdp, name);
    const ime = { key: 'Unidentified', windowsVirtualKeyCode: 229 };
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', ...ime,
                                                ...(name === '\b' ? { commands: ['deleteBackward'] } : {}) });
    if (name !== '\b') await cdp.send('Input.insertText', { text: name });
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', ...ime });
}
export async function tap(page) {
    const box = await page.pw.locator('#screen').boundingBox();
    await page.pw.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
}

// How a player gives the game its keys: on a desktop by key presses, in any engine; on a
// phone (chromium's) by taps (the title, a page, an ending) and an Android keyboard, with no
// Escape. The frame that reads a key is known only for a keyboard's keys, not for those the
// page hands over itself.
export const Hands = {
    desktop: { press: (page, key) => page.key(key), frames: true, escape: true },
    phone: { press: (page, key, tapped) => (tapped ? tap(page) : androidKey(page.cdp, key)), frames: false, escape: false },
};

// The page's own errors, and those of any document it left; the check fails on any.
export async function noErrors(page, where) {
    const errors = await page.errors();
    if (errors.length) throw new Error(`${where}: page errors: ${errors.join(' | ')}`);
}

// A committed walkthrough: its script's lines and its transcript's records.
export function walkthrough(scripts, name) {
    const lines = fs.readFileSync(path.join(scripts, name + '.script'), 'utf8').replaceAll('\r', '').split('\n');
    if (lines.at(-1) === '') lines.pop();
    const records = fs.readFileSync(path.join(scripts, name + '.expected.jsonl'), 'utf8')
        .trim().split('\n').map((line) => JSON.parse(line));
    return { name, lines, records };
}

// Plays a walkthrough on a page against its transcript with the given hands; throws at the
// first difference, leaving the canvas it saw in `artifacts`. `until` stops at the first state
// of that kind.
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

// The site as a static host serves it, on a port of this machine's loopback. With `probe`, the
// pages have the probe as their first script, a file of the site's own (the only kind its
// policy runs), for a browser the tests cannot hand a script to run before the page's.
export const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
                 '.png': 'image/png', '.webmanifest': 'application/manifest+json' };
export async function serve(root, { probe: withProbe = false } = {}) {
    const server = http.createServer((request, response) => {
        const name = path.normalize(new URL(request.url, 'http://x').pathname).replace(/\/$/, '/index.html');
        const file = path.join(root, name);
        const send = (error, body) => {
            response.writeHead(error ? 404 : 200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' });
            response.end(body);
        };
        if (withProbe && name === '/probe.js') send(null, `(${probe})();\n`);
        else if (withProbe && name.endsWith('.html'))
            fs.readFile(file, 'utf8', (error, html) => send(error, html?.replace('<script', '<script src="probe.js"></script>\n<script')));
        else fs.readFile(file, send);
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    return server;
}

