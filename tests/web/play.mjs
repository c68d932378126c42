// The game in a real browser: every walkthrough script played by key presses on the page in
// headless chromium, the canvas compared at every state the player waits at with the
// fingerprint the desktop scripted player recorded there, frame counts and live region too.
// usage: node play.mjs SITE_DIR SCRIPTS_DIR ARTIFACTS_DIR [NAME...]
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { chromium } from 'playwright-core';

const [site, scripts, artifacts, ...only] = process.argv.slice(2);
const StateTimeout = 90000;  // the longest narration typed, on a busy machine, with room to spare

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
    // Keys reach the game between frames: the next frame's event pump reads this one.
    addEventListener('keydown', () => { p.keyFrame = window.Module.frames + 1; }, true);
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

// One key pressed and released through the DevTools protocol, as a keyboard would send it,
// so that ñ, ¿ and ¡ are typed like any letter. Returns the frame that read it.
async function key(page, cdp, name) {
    const named = { '\n': ['Enter', '\r', 13], '\b': ['Backspace', '', 8], Escape: ['Escape', '', 27] };
    const [k, text, code] = named[name] ?? [name, name, 0];
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', key: k, text, windowsVirtualKeyCode: code });
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', key: k, windowsVirtualKeyCode: code });
    await page.waitForFunction(() => Module.frames >= probe.keyFrame, null, { polling: 'raf' });
    return page.evaluate(() => probe.keyFrame);
}

// Plays one script against its expected transcript; throws at the first difference.
async function play(browser, url, name) {
    const lines = fs.readFileSync(path.join(scripts, name + '.script'), 'utf8').replaceAll('\r', '').split('\n');
    if (lines.at(-1) === '') lines.pop();
    const records = fs.readFileSync(path.join(scripts, name + '.expected.jsonl'), 'utf8')
        .trim().split('\n').map((line) => JSON.parse(line));
    const page = await (await browser.newContext()).newPage();
    const errors = [];
    page.on('pageerror', (error) => errors.push(error.message));
    page.on('console', (message) => message.type() === 'error' && errors.push(message.text()));
    await page.addInitScript(probe);
    const cdp = await page.context().newCDPSession(page);
    await page.goto(url);

    let left = [0, 0];  // the key that left the last state: [desktop frame, browser frame]
    for (const [index, r] of records.entries()) {
        const where = `${name}: state ${index + 1} (${r.wait ?? 'exit'} ${r.prompt ?? ''})`;
        if ('exit' in r) {
            await page.waitForSelector('#ended', { state: 'visible', timeout: StateTimeout });
            if (errors.length) throw new Error(`${where}: page errors: ${errors.join(' | ')}`);
            break;
        }
        const shown = await page.waitForFunction((screen) => {
            const s = probe.settled();
            return s && s.screen === screen && s;
        }, r.screen, { polling: 'raf', timeout: StateTimeout }).then((h) => h.jsonValue()).catch(async () => {
            const png = path.join(artifacts, `${name}-${index + 1}.png`);
            const data = await page.evaluate(() => document.getElementById('screen').toDataURL());
            fs.writeFileSync(png, Buffer.from(data.split(',')[1], 'base64'));
            throw new Error(`${where}: the canvas never showed ${r.screen}; it shows ${png}, and ` +
                            `sombrial-autoplay --shots DIR ${name}.script saves what it should`);
        });
        if (left && shown.frame - left[1] !== r.frame - left[0])
            throw new Error(`${where}: shown ${shown.frame - left[1]} frames after the key, not ${r.frame - left[0]}`);
        const story = await page.$$eval('#story p', (ps) => ps.map((p) => p.textContent));
        for (const text of r.pages ?? [])
            if (!story.includes(text)) throw new Error(`${where}: the live region lacks "${text}"`);

        const line = r.wait === 'prompt' ? lines[r.prompt - 1] : undefined;
        if (r.wait === 'page') left = [r.frame, await key(page, cdp, ' ')];
        else if (r.wait !== 'prompt') left = [r.frame, await key(page, cdp, '\n')];
        else if (line === undefined) left = null, await key(page, cdp, 'Escape');
        else if (line === '') left = [r.frame + 1, await key(page, cdp, '\n')];  // after the first frame
        else for (const ch of line) left = null, await key(page, cdp, ch);
    }
    await page.context().close();
    return records.length;
}

// The site as a static host serves it, on a port of this machine's loopback.
const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };
const server = http.createServer((request, response) => {
    const file = path.join(site, path.normalize(new URL(request.url, 'http://x').pathname).replace(/^\/$/, '/index.html'));
    fs.readFile(file, (error, body) => {
        response.writeHead(error ? 404 : 200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' });
        response.end(body);
    });
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const url = `http://127.0.0.1:${server.address().port}/`;

fs.mkdirSync(artifacts, { recursive: true });
const names = only.length ? only : fs.readdirSync(scripts).filter((f) => f.endsWith('.script')).map((f) => f.slice(0, -7));
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
// All at once: the games mostly wait out their frames, so they share the machine well.
const results = await Promise.allSettled(names.map((name) => play(browser, url, name)));
let failed = 0;
results.forEach((result, i) => {
    if (result.status === 'fulfilled') console.log(`ok   ${names[i]}: ${result.value} states`);
    else console.log(`FAIL ${result.reason.message}`), failed++;
});
console.log(`${names.length - failed} passed, ${failed} failed`);
await browser.close();
server.close();
process.exit(failed ? 1 : 0);
