// The game in real browsers: in headless chromium, every walkthrough script played by key
// presses on a desktop page, and some by taps and an Android keyboard on an emulated phone,
// the canvas compared at every state the player waits at with the fingerprint the desktop
// scripted player recorded there, frame counts and live region too; then the page's fit on
// phones and tablets, the keys of an on-screen keyboard, the offline copy and installability.
// In Firefox and WebKit, a death and the typing by key presses, and the offline copy.
// usage: node play.mjs SITE_DIR SCRIPTS_DIR ARTIFACTS_DIR [CHECK...]
//        a CHECK is a script's name, layout, keyboard, offline, install, or an engine's name,
//        firefox or webkit (default: all)
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import { chromium } from 'playwright-core';
import { Devices, Hands, Launch, androidKey, desktopKey, noErrors, play, serve, tap, walkthrough } from './browser.mjs';
import { Engines, chromiumPage } from './engines.mjs';

const [site, scripts, artifacts, ...only] = process.argv.slice(2);
// Played on the phone too: the chapter's end, a death, and the typing of ñ, ¿, ¡ and Backspace.
const PhoneScripts = ['chapter-shortest', 'death-leaving', 'typing-edits-and-latin1'];
// Played in the other engines: a death, and the typing.
const EngineScripts = ['death-leaving', 'typing-edits-and-latin1'];
const OtherEngines = ['firefox', 'webkit'];

// Taps through the title and the pages to the next command line, once it takes keys: its
// first frame takes only Enter, and a keyboard's key read then is dropped. After a tap, it
// waits for the frame after the one its key was handed over in, by when the game has gone on
// (a wait for the game to leave the page could miss a short narration on a busy machine).
async function toCommandLine(page) {
    for (;;) {
        await page.until(() => ['line', 'space', 'enter'].includes(Module.waits));
        if (await page.evaluate(() => Module.waits) === 'line')
            return page.until((frame) => Module.frames > frame + 1, await page.evaluate(() => Module.frames));
        const before = await page.evaluate(() => probe.keyFrame);
        await tap(page);
        await page.until((k) => probe.keyFrame > k && Module.frames > probe.keyFrame, before);
    }
}

// The page on a phone upright, a tablet, a phone on its side and a desktop: the game in
// view and as large as the device allows, the help in words for it, a keyboard's Enter still
// taken; on touch screens, the game still whole above an on-screen keyboard (the visual
// viewport shortened as an open one does).
async function layout(browser, url) {
    const results = [];
    for (const device of ['phone', 'tablet', 'landscape', 'desktop']) {
        const page = await browser.open(url, device);
        await page.until(() => Module.frames > 0);
        const measure = () => page.evaluate(() => {
            const r = document.getElementById('screen').getBoundingClientRect();
            const v = window.visualViewport;
            return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width,
                     height: r.height, viewWidth: v.width, viewHeight: v.height,
                     help: document.getElementById('help').innerText };
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
        if (/Toca/.test(m.help) !== touch || /Escape/.test(m.help) === touch)
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
        await page.until(() => Module.waits !== 'enter');
        await noErrors(page, where);
        await page.close();
        results.push(`${device} ${Math.round(m.width)}x${Math.round(m.height)}`);
    }
    return results.join(', ');
}

// The on-screen keyboard's harder cases on the phone: a word and its Enter at once (the Enter
// waits for the word), a paste longer than the command line takes (the rest dropped at once,
// never typed out), an input method's key without text (nothing), and a keyboard's key (once).
async function keyboard(browser, url) {
    const page = await browser.open(url, 'phone');
    // The next command the game takes after `before`, once the live region says it.
    const taken = (before) => page.until((b) => {
        const last = [...document.querySelectorAll('#story p')].map((p) => p.textContent).filter((t) => t.startsWith('Orden: ')).at(-1);
        return last !== b && last;
    }, before);
    await toCommandLine(page);
    await page.cdp.send('Input.insertText', { text: 'examinar rata' });
    await desktopKey(page.cdp, '\n');
    let last = await taken(undefined);
    if (last !== 'Orden: examinar rata') throw new Error(`keyboard: "${last}", not "Orden: examinar rata"`);

    await toCommandLine(page);
    const limit = await page.evaluate(() => Module.lineLimit);
    await page.cdp.send('Input.insertText', { text: 'ñ'.repeat(limit + 100) });
    const kept = await page.evaluate(() => document.getElementById('typing').value.length);
    if (kept !== limit) throw new Error(`keyboard: a paste of ${limit + 100} characters kept ${kept}`);
    await page.until((n) => Module.commandLine().length === n, limit);
    await androidKey(page.cdp, '\n');
    last = await taken(last);
    if (last !== 'Orden: ' + 'ñ'.repeat(limit)) throw new Error('keyboard: the long line was not submitted whole and alone');

    await toCommandLine(page);
    await page.cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', key: 'Unidentified', windowsVirtualKeyCode: 229 });
    await page.cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', key: 'Unidentified', windowsVirtualKeyCode: 229 });
    await desktopKey(page.cdp, 'x');
    await page.until(() => Module.commandLine() === 'x' && document.getElementById('typing').value === 'x');
    await androidKey(page.cdp, '\b');
    await androidKey(page.cdp, 'y');
    await desktopKey(page.cdp, '\n');
    last = await taken(last);
    if (last !== 'Orden: y') throw new Error(`keyboard: "${last}", not "Orden: y"`);
    await noErrors(page, 'keyboard');
    await page.close();
    return '3 lines';
}

// Offline after one visit: the worker keeps the site; reloaded with the site out of reach (its
// server stopped), the game plays to its first command line. Then the site is built again with
// one file changed, and the new build replaces the old, whole, once no page of the old one is
// open: its file is served, the old copy is gone. On chromium's phone, on the others' desktop.
async function offline(engine, browser) {
    const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'sombrial-site-'));
    fs.cpSync(site, copy, { recursive: true });
    const server = await serve(copy, { probe: Engines[engine].servedProbe });
    const { port } = server.address();
    const url = `http://127.0.0.1:${port}/`;
    const cached = (page) => page.evaluate(async () => {
        const names = await caches.keys();
        return { names, files: names.length ? (await (await caches.open(names[0])).keys()).length : 0 };
    });
    const where = `offline (${engine})`;
    let page;
    try {
        page = await browser.open(url, engine === 'chromium' ? 'phone' : 'desktop');
        await page.until(() => navigator.serviceWorker.controller === null && Module.frames > 0);
        await page.evaluate(async () => { await navigator.serviceWorker.ready; });
        const first = await cached(page);
        const files = fs.readdirSync(copy).length;  // every file, and the folder's own address
        if (first.names.length !== 1 || first.files !== files)
            throw new Error(`${where}: after one visit the copy is ${JSON.stringify(first)}, not ${files} files`);
        // The probe the server put in the page is the tests', not the site's: kept beside the copy.
        if (Engines[engine].servedProbe)
            await page.evaluate(async (name) => (await caches.open(name)).add('probe.js'), first.names[0]);
        server.close();
        server.closeAllConnections();
        await page.reload();
        await play(page, walkthrough(scripts, 'chapter-shortest'),
                   { hands: engine === 'chromium' ? Hands.phone : Hands.desktop, until: 'prompt', artifacts });
        await new Promise((resolve) => server.listen(port, '127.0.0.1', resolve));

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
        await page.goto('about:blank');
        await page.goto(url);
        const css = await page.evaluate(async () => (await fetch('page.css')).text());
        const after = await cached(page);
        if (!css.includes('rebuilt') || after.names.length !== 1 || after.names[0] === first.names[0])
            throw new Error(`${where}: the rebuilt site did not replace the old: ${JSON.stringify(after)}`);
        await noErrors(page, where);
    } finally {
        await page?.close();
        server.close();
        fs.rmSync(copy, { recursive: true, force: true });
    }
    return 'played offline; the rebuild replaced the copy';
}

// Installable as an app: chromium finds nothing missing in the manifest, icons or page, and
// the app's version is the game's. Chromium installs nothing from a private window, so this
// page has a profile of its own.
async function install(url) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'sombrial-profile-'));
    const context = await chromium.launchPersistentContext(profile, { ...Launch, ...Devices.phone });
    try {
        const pw = await context.newPage();
        const page = await chromiumPage(pw, 'phone');
        await pw.goto(url);
        await page.until(() => Module.frames > 0);
        const { installabilityErrors } = await page.cdp.send('Page.getInstallabilityErrors');
        if (installabilityErrors.length) throw new Error(`install: ${JSON.stringify(installabilityErrors)}`);
        // The app's version is the project's, as the build that made the site has it.
        const cache = fs.readFileSync(path.join(site, '..', 'CMakeCache.txt'), 'utf8');
        const version = /^CMAKE_PROJECT_VERSION:STATIC=(.*)$/m.exec(cache)[1];
        const manifest = await page.evaluate(async () => (await fetch('manifest.webmanifest')).json());
        if (manifest.version !== version) throw new Error(`install: the manifest's version is ${manifest.version}, not ${version}`);
    } finally {
        await context.close();
        fs.rmSync(profile, { recursive: true, force: true });
    }
    return 'no installability errors';
}

// WebKit's pages come from a server that puts the probe in them; the others' from the site
// as it is.
const [plain, probed] = [await serve(site), await serve(site, { probe: true })];
const address = (server) => `http://127.0.0.1:${server.address().port}/`;
const urls = Object.fromEntries(Object.entries(Engines).map(([engine, e]) => [engine, address(e.servedProbe ? probed : plain)]));
fs.mkdirSync(artifacts, { recursive: true });
const names = fs.readdirSync(scripts).filter((f) => f.endsWith('.script')).map((f) => f.slice(0, -7));
// Each check: the engine it runs in, and what it does with that engine's browser.
const walk = (name, device, hands) => async (browser, url) => {
    const page = await browser.open(url, device);
    try {
        return await play(page, walkthrough(scripts, name), { hands, artifacts });
    } finally {
        await page.close();
    }
};
const checks = {
    ...Object.fromEntries(names.map((name) => [name, ['chromium', walk(name, 'desktop')]])),
    ...Object.fromEntries(PhoneScripts.map((name) => [`${name} (phone)`, ['chromium', walk(name, 'phone', Hands.phone)]])),
    layout: ['chromium', layout],
    keyboard: ['chromium', keyboard],
    offline: ['chromium', (browser) => offline('chromium', browser)],
    install: ['chromium', (_, url) => install(url)],
    ...Object.fromEntries(OtherEngines.flatMap((engine) => [
        ...EngineScripts.map((name) => [`${name} (${engine})`, [engine, walk(name, 'desktop')]]),
        [`offline (${engine})`, [engine, (browser) => offline(engine, browser)]],
    ])),
};
const chosen = Object.keys(checks).filter((c) => !only.length ||
    only.some((o) => c === o || c.startsWith(o + ' ') || c.endsWith(`(${o})`)));
// Each engine started once, when a check needs it.
const launched = {};
const browser = (engine) => (launched[engine] ??= Engines[engine].launch());
// All at once: the games mostly wait out their frames, so they share the machine well.
const started = Date.now();
const seconds = chosen.map(() => 0);
const results = await Promise.allSettled(chosen.map(async (check, i) => {
    const [engine, run] = checks[check];
    try {
        return await run(await browser(engine), urls[engine]);
    } finally {
        seconds[i] = Math.round((Date.now() - started) / 1000);
    }
}));
let failed = 0;
results.forEach((result, i) => {
    if (result.status === 'fulfilled') console.log(`ok   ${chosen[i]}: ${result.value} (${seconds[i]} s)`);
    else console.log(`FAIL ${chosen[i]}: ${result.reason.message} (${seconds[i]} s)`), failed++;
});
console.log(`${chosen.length - failed} passed, ${failed} failed`);
await Promise.allSettled(Object.values(launched).map(async (b) => (await b).close()));
plain.close();
probed.close();
process.exit(failed ? 1 : 0);
