// The game in real browsers: a table of scenarios, each run in the engines and on the devices
// it names, each what is done first, a walkthrough played against its transcript, and what
// must be seen after.
// usage: node play.mjs SITE_DIR SCRIPTS_DIR ARTIFACTS_DIR [CHECK...]
//        a CHECK is a scenario's name (a script's, size, keyboard, offline, lighthouse) or an
//        engine's (default: all)
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import { createRequire } from 'node:module';
import lighthouse from 'lighthouse';
import desktop from 'lighthouse/core/config/desktop-config.js';
import { chromium } from 'playwright-core';
import { Devices, Engines, Hands, Launch, androidKey, chromiumPage, desktopKey, freePort, noErrors, play, serve, tap, walkthrough } from './browser.mjs';

const [site, scripts, artifacts, ...only] = process.argv.slice(2);
const axe = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
const fail = (where, what, seen) => { throw new Error(`${where}: ${what}${seen ? ': ' + JSON.stringify(seen) : ''}`); };

// The game's size and place, the help under it, the ring round it.
const measure = (page) => page.evaluate(() => {
    const [view, credits] = ['view', 'credits'].map((id) => document.getElementById(id));
    const { left, top, right, bottom, width, height } = view.getBoundingClientRect();
    return { left, top, right, bottom, width, height, pixels: view.width / 640, ratio: devicePixelRatio,
             viewWidth: visualViewport.width, viewHeight: visualViewport.height, credits: credits.getBoundingClientRect().bottom,
             help: document.getElementById('help').innerText, ring: getComputedStyle(view).outlineStyle, shift: probe.shift };
});

// The game as large as the window allows, drawn at the whole pixels per game pixel its size
// needs, in view with its help (in words for the device), no layout shift (on a slow phone
// too), a keyboard's Enter taken, nothing serious for axe-core; on touch screens, whole above
// an on-screen keyboard (the visual viewport shortened as an open one does).
async function fits(page, { where, touch }) {
    await page.until(() => Module.frames > 0);
    const m = await measure(page);
    if (m.shift >= 0.02) fail(where, 'the layout shifted', m);
    if (m.left < 0 || m.top < 0 || m.right > m.viewWidth + 0.5 || m.bottom > m.viewHeight + 0.5 || m.credits > m.viewHeight + 0.5)
        fail(where, 'the game or its help is not all in view', m);
    if (m.width < 0.95 * m.viewWidth && m.height < 0.8 * m.viewHeight) fail(where, 'the game is not as large as it fits', m);
    if (m.pixels !== Math.ceil(m.width * m.ratio / 640 - 1e-9)) fail(where, 'the game is not drawn at whole pixels for its size', m);
    if (/Toca/.test(m.help) !== touch || /Escape/.test(m.help) === touch) fail(where, 'the help says otherwise', m.help);
    if (touch) {
        await page.evaluate(() => {
            const [height, keyboard] = [Object.getOwnPropertyDescriptor(VisualViewport.prototype, 'height').get, innerHeight * 0.45];
            Object.defineProperty(VisualViewport.prototype, 'height', { get() { return height.call(this) - keyboard; } });
            visualViewport.dispatchEvent(new Event('resize'));
        });
        const k = await measure(page);
        if (k.top < 0 || k.bottom > k.viewHeight + 0.5) fail(where, 'the command line is under the keyboard', k);
    }
    await page.key('\n');
    await page.until(() => Module.waits !== 'enter');
    if (page.pw && !touch) {
        await page.pw.evaluate(axe);
        const faults = await page.evaluate(async () => (await axe.run()).violations.filter((v) => /serious|critical/.test(v.impact)));
        if (faults.length) fail(where, 'axe-core finds', faults.map((v) => `${v.id}: ${v.help}`));
    }
    return `${Math.round(m.width)}x${Math.round(m.height)} of ${m.viewWidth}x${m.viewHeight}, ${m.pixels}x`;
}

// While the game runs, Tab leaves it for the credits link, with the ring; the game plays on,
// Backspace is the page's; Shift+Tab comes back. Then the credits and the back button: the
// game again, as it was or from its start, with the keys, as the walkthrough after it shows.
async function tabs(page, { where, url }) {
    await page.until(() => Module.frames > 0);
    await page.key('Tab');
    await page.until(() => document.activeElement.matches('#credits a'));
    const [out, frames] = [await measure(page), await page.evaluate(() => Module.frames)];
    await page.until((before) => Module.frames > before + 2, frames);
    await page.key('\b');
    if (out.ring !== 'none' || await page.evaluate(() => probe.prevented)) fail(where, 'on the link, the game keeps the keys', out);
    await page.key('Tab', true);
    await page.until(() => document.activeElement.id === 'typing');
    if ((await measure(page)).ring === 'none') fail(where, 'no ring shows that the game has the keys');
    await page.goto(url + 'creditos.html').then(() => page.back());
    await page.until(() => window.Module?.frames > 0 && document.activeElement.id === 'typing');
}

// Taps through the title and the pages to the next command line, once it takes keys (its first
// frame takes only Enter). After a tap, it waits for the frame after the one its key was handed
// over in (a wait for the game to leave the page could miss a short narration).
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

// The on-screen keyboard's harder cases, each with the command the game then takes: a word and
// its Enter at once, a paste longer than the line (the rest dropped at once), an input method's
// key without text (nothing), and a keyboard's key (once).
async function keyboard(page, _, cdp = page.cdp) {
    const ime = (type) => cdp.send('Input.dispatchKeyEvent', { type, key: 'Unidentified', windowsVirtualKeyCode: 229 });
    const lines = [
        () => ['examinar rata', () => cdp.send('Input.insertText', { text: 'examinar rata' })],
        (limit) => ['ñ'.repeat(limit), async () => {
            await cdp.send('Input.insertText', { text: 'ñ'.repeat(limit + 100) });
            const kept = await page.evaluate(() => document.getElementById('typing').value.length);
            if (kept !== limit) fail('keyboard', `a paste of ${limit + 100} characters kept ${kept}`);
            await page.until((n) => Module.commandLine().length === n, limit);
        }],
        () => ['y', async () => {
            await ime('keyDown'), await ime('keyUp'), await desktopKey(cdp, 'x');
            await page.until(() => Module.commandLine() === 'x' && document.getElementById('typing').value === 'x');
            await androidKey(cdp, '\b'), await androidKey(cdp, 'y');
        }],
    ];
    for (const line of lines) {
        await toCommandLine(page);
        const [expected, type] = line(await page.evaluate(() => Module.lineLimit));
        await type();
        const count = await page.evaluate(() => document.querySelectorAll('#story p').length);
        await desktopKey(cdp, '\n');
        const taken = await page.until((n) => [...document.querySelectorAll('#story p')].slice(n).map((p) => p.textContent)
            .find((t) => t.startsWith('Orden: ')), count);
        if (taken !== 'Orden: ' + expected) fail('keyboard', `"${taken}", not "Orden: ${expected}"`);
    }
    return `${lines.length} lines`;
}

// Offline after one visit: the worker keeps the site (a copy, served apart); reloaded with the
// site out of reach, the game plays to its first command line. Rebuilt with one file changed,
// the new build replaces the old, whole, once no page of the old one is open.
const cached = (page) => page.evaluate(async () => {
    const names = (await navigator.serviceWorker.ready, await caches.keys());
    return { names, files: (await (await caches.open(names[0])).keys()).length, css: await (await fetch('page.css')).text() };
});
async function host(engine) {
    const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'sombrial-site-'));
    fs.cpSync(site, copy, { recursive: true });
    const server = await serve(copy, { probe: Engines[engine].servedProbe });
    return { copy, server, url: `http://127.0.0.1:${server.address().port}/`,
             done: () => (server.close(), fs.rmSync(copy, { recursive: true, force: true })) };
}
async function visitedOnce(page, { where, engine, copy, server }) {
    await page.until(() => navigator.serviceWorker.controller === null && Module.frames > 0);
    const first = await cached(page);
    if (first.names.length !== 1 || first.files !== fs.readdirSync(copy).length)  // every file, and the folder's address
        fail(where, 'after one visit the copy is not every file', first.names);
    // The probe the server put in the page is the tests', not the site's: kept beside the copy.
    if (Engines[engine].servedProbe) await page.evaluate(async (name) => (await caches.open(name)).add('probe.js'), first.names[0]);
    server.close(), server.closeAllConnections();
    return page.reload().then(() => first);
}
async function rebuilt(page, { where, copy, server, url, setup: first }) {
    await new Promise((resolve) => server.listen(new URL(url).port, '127.0.0.1', resolve));
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
    const after = await cached(page);
    if (!after.css.includes('rebuilt') || after.names.length !== 1 || after.names[0] === first.names[0])
        fail(where, 'the rebuilt site did not replace the old', after.names);
    return 'played offline; the rebuild replaced the copy';
}

// Lighthouse as a phone on a slow network and as a desktop: the scores, no layout shift, the
// page kept for the back button. Then installable as an app, its version the game's (from a
// profile of its own: chromium installs nothing from a private window).
const Scores = { mobile: { performance: 90, accessibility: 100, 'best-practices': 100, seo: 100 },
                 desktop: { performance: 95, accessibility: 100, 'best-practices': 100, seo: 100 } };
async function audits(url) {
    const [port, profile] = [await freePort(), fs.mkdtempSync(path.join(os.tmpdir(), 'sombrial-profile-'))];
    const context = await chromium.launchPersistentContext(profile, { ...Launch, args: [...Launch.args, `--remote-debugging-port=${port}`] });
    try {
        const results = [];
        for (const [form, least] of Object.entries(Scores)) {
            // Performance is timed on a machine the other suites share: the best of up to three
            // runs, as Lighthouse itself advises more than one.
            let scores, shift, failed, short;
            for (let run = 0; run < 3 && short !== false; run++) {
                const { lhr } = await lighthouse(url, { port, logLevel: 'error', onlyCategories: Object.keys(least) }, form === 'desktop' ? desktop : undefined);
                scores = Object.fromEntries(Object.keys(least).map((c) => [c, Math.round(lhr.categories[c].score * 100)]));
                shift = lhr.audits['cumulative-layout-shift'].numericValue;
                failed = Object.values(lhr.audits).filter((a) => a.score !== null && a.score < 1).map((a) => a.id);
                short = Object.keys(least).some((c) => scores[c] < least[c]) || shift >= 0.02 || failed.includes('bf-cache');
            }
            if (short)
                fail(`lighthouse (${form})`, `shift ${shift}, below the least ${JSON.stringify(least)}`, { scores, failed });
            results.push(`${form} ${Object.values(scores).join('/')} (shift ${shift.toFixed(3)})`);
        }
        const page = await chromiumPage(await context.newPage(), 'desktop');
        await page.goto(url);
        await page.until(() => Module.frames > 0);
        const { installabilityErrors } = await page.cdp.send('Page.getInstallabilityErrors');
        if (installabilityErrors.length) fail('install', 'not installable', installabilityErrors);
        const version = /^CMAKE_PROJECT_VERSION:STATIC=(.*)$/m.exec(fs.readFileSync(path.join(site, '..', 'CMakeCache.txt'), 'utf8'))[1];
        const manifest = await page.evaluate(async () => (await fetch('manifest.webmanifest')).json());
        if (manifest.version !== version) fail('install', `the manifest's version is ${manifest.version}, not ${version}`);
        return results.join(', ') + '; installable';
    } finally {
        await context.close();
        fs.rmSync(profile, { recursive: true, force: true });
    }
}

// The scenarios: where each runs ([engine, device] pairs), what is done first, the walkthrough
// played, what must be seen after; or a check on its own. Every walkthrough in chromium, a
// death and the typing in all three engines, and on a phone the chapter's end too.
const names = fs.readdirSync(scripts).filter((f) => f.endsWith('.script')).map((f) => f.slice(0, -7));
const everywhere = (device) => Object.keys(Engines).map((engine) => [engine, device]);
const [InAll, OnPhone] = [['death-leaving', 'typing-edits-and-latin1'], ['chapter-shortest', 'death-leaving', 'typing-edits-and-latin1']];
const scenarios = [
    ...names.map((name) => ({ name, walk: name, setup: name === 'death-leaving' ? tabs : undefined,
                              runs: InAll.includes(name) ? everywhere('desktop') : [['chromium', 'desktop']] })),
    ...OnPhone.map((name) => ({ name, runs: [['chromium', 'phone']], walk: name })),
    { name: 'size', runs: [...everywhere('desktop'), ...everywhere('zoomed'), ...['slow', 'tablet', 'landscape'].map((d) => ['chromium', d])],
      see: fits },
    { name: 'keyboard', runs: [['chromium', 'phone']], see: keyboard },
    { name: 'offline', runs: [['chromium', 'phone'], ['firefox', 'desktop'], ['webkit', 'desktop']], host, setup: visitedOnce,
      walk: 'chapter-shortest', until: 'prompt', see: rebuilt },
    { name: 'lighthouse', runs: [['chromium']], alone: audits, first: true },
];

// One scenario in one engine, on one device, from the site or a host of its own.
async function run({ s: scenario, engine, device, name: where }, browser, url) {
    if (scenario.alone) return scenario.alone(url);
    const place = await scenario.host?.(engine) ?? { url };
    const page = await browser.open(place.url, device);
    try {
        const context = { ...place, where, engine, touch: !!Devices[device].hasTouch };
        context.setup = await scenario.setup?.(page, context);
        const played = scenario.walk && await play(page, walkthrough(scripts, scenario.walk),
                                                   { hands: context.touch ? Hands.phone : Hands.desktop, until: scenario.until, artifacts });
        const seen = await scenario.see?.(page, context);
        return await noErrors(page, where).then(() => seen ?? played);
    } finally {
        await page.close();
        place.done?.();
    }
}

// WebKit's pages come from a server that puts the probe in them; the others' from the site.
const [plain, probed] = [await serve(site), await serve(site, { probe: true })];
const urls = Object.fromEntries(Object.entries(Engines).map(([engine, e]) =>
    [engine, `http://127.0.0.1:${(e.servedProbe ? probed : plain).address().port}/`]));
fs.mkdirSync(artifacts, { recursive: true });
const checks = scenarios.flatMap((s) => s.runs.map(([engine, device]) => ({ s, engine, device,
    name: `${s.name} (${engine}${device ? ' ' + device : ''})` })))
    .filter((c) => !only.length || only.some((o) => c.s.name === o || c.engine === o));
// Each engine started once, when a check needs it. Lighthouse first, alone, as its scores
// depend on the machine being idle; then the rest, a few at a time: the games mostly wait out
// their frames, so they share the machine well, but pages that all start at once do not.
const launched = {};
const browser = (engine) => (launched[engine] ??= Engines[engine].launch());
const started = Date.now();
for (const [batch, width] of [[checks.filter((c) => c.s.first), 1], [checks.filter((c) => !c.s.first), 10]]) {
    let next = 0;
    await Promise.all(Array.from({ length: width }, async () => {
        for (let c; (c = batch[next++]);) {
            try {
                c.result = `ok   ${c.name}: ${await run(c, await browser(c.engine), urls[c.engine])}`;
            } catch (error) {
                c.result = `FAIL ${c.name}: ${error.message}`;
            }
            c.seconds = Math.round((Date.now() - started) / 1000);
        }
    }));
}
checks.forEach((c) => console.log(`${c.result} (${c.seconds} s)`));
const failed = checks.filter((c) => c.result.startsWith('FAIL')).length;
console.log(`${checks.length - failed} passed, ${failed} failed`);
await Promise.allSettled(Object.values(launched).map(async (b) => (await b).close()));
plain.close(), probed.close();
process.exit(failed ? 1 : 0);
