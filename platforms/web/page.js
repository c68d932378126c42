// The page around the game: its picture at the window's size, the keys a player gives it (a keyboard,
// taps, an on-screen keyboard's text), the live region a screen reader follows, the end of a
// game and the offline copy. Loaded before sombrial.js, which reads the Module set here.
'use strict';

(function () {
    const root = document.documentElement;
    const game = document.getElementById('game');
    const canvas = document.getElementById('screen');
    const view = document.getElementById('view');
    const picture = view.getContext('2d');
    const field = document.getElementById('typing');
    const story = document.getElementById('story');
    const ended = document.getElementById('ended');
    const again = document.getElementById('again');

    const Enter = 13, Backspace = 8, Space = 32;
    // Paragraphs the live region keeps for the screen reader's cursor: the last few turns.
    const KeptParagraphs = 40;
    // Keys a tap or the on-screen keyboard may have waiting outside a command line.
    const KeptKeys = 8;

    // The height of the part of the window that shows: above an on-screen keyboard too, which
    // shrinks only the visual viewport. The style sheet sizes the game in it. The picture is
    // drawn at the smallest whole number of pixels per game pixel that the game's size on the
    // screen needs, for the browser to bring down smoothly: every game pixel keeps one width.
    function fit() {
        const viewport = window.visualViewport;
        if (viewport)
            root.style.setProperty('--height', viewport.height * viewport.scale + 'px');
        const whole = Math.max(1, Math.ceil(view.clientWidth * (window.devicePixelRatio || 1) / 640));
        if (view.width !== 640 * whole) {
            [view.width, view.height] = [640 * whole, 480 * whole];
            show();
        }
    }

    // The game's frame, each pixel a square of whole pixels.
    function show() {
        picture.imageSmoothingEnabled = false;
        picture.drawImage(canvas, 0, 0, view.width, view.height);
    }

    // One paragraph more in the live region, in the game's words (a page and the prompt under
    // it are one, so they are heard in that order); the oldest go once there are too many. A
    // paragraph the same as the one before gets a no-break space, unheard, or a screen reader
    // would take it for the same news again and stay silent.
    function say(text) {
        const paragraph = document.createElement('p');
        paragraph.textContent = text;
        if (story.lastElementChild && paragraph.textContent === story.lastElementChild.textContent)
            paragraph.textContent += '\u00a0';
        story.append(paragraph);
        while (story.childElementCount > KeptParagraphs)
            story.firstElementChild.remove();
    }

    // --- Keys for the game ---

    // The browser's SDL listens on the game alone (Module.keyboardListeningElement), so that
    // the page's link has its keys, and reads a key's character from the keypress that follows
    // its keydown. The page's own keys go the same way.
    function dispatch(type, key, keyCode, charCode) {
        const event = new KeyboardEvent(type, {key: key, bubbles: true, cancelable: true});
        Object.defineProperties(event, {keyCode: {value: keyCode}, charCode: {value: charCode}});
        field.dispatchEvent(event);
    }

    // One key pressed and released: Enter, Backspace or a Latin-1 character.
    function toGame(code) {
        const key = code === Enter ? 'Enter' : code === Backspace ? 'Backspace' : String.fromCharCode(code);
        const keyCode = code === Enter || code === Backspace || code === Space ? code : 0;
        dispatch('keydown', key, keyCode, 0);
        if (code !== Backspace)
            dispatch('keypress', key, 0, code);
        dispatch('keyup', key, keyCode, 0);
    }

    // The characters of a text that the game takes (Latin-1 32 to 254); the rest is dropped.
    function accepted(text) {
        let kept = '';
        for (const c of text)
            if (c.charCodeAt(0) >= 32 && c.charCodeAt(0) <= 254)
                kept += c;
        return kept;
    }

    // A keyboard's key as the game takes it: Enter, Backspace, a character, or 0.
    function codeOf(event) {
        if (event.key === 'Enter') return Enter;
        if (event.key === 'Backspace') return Backspace;
        return event.key.length === 1 && accepted(event.key) ? event.key.charCodeAt(0) : 0;
    }

    // The game reads one key a frame (the frame's last), so the keys the page gives it wait
    // here, one handed over at the start of each frame. At a command line the text field is
    // the line the player means: each frame moves the game's line one key towards the field's
    // text (a Backspace while it differs, else the next character), then the Enter asked for.
    // Elsewhere, waiting keys go in order.
    const waiting = [];
    let edited = false;     // the field has changed since the game's line last matched it
    let enter = false;      // an Enter waits for the line to match
    let composing = false;  // an input method is composing in the field

    function busy() {
        return Module.waits === 'line' ? edited || enter : waiting.length > 0;
    }

    function press(code) {
        if (Module.waits === 'line') {
            if (code === Enter) enter = true;
            else if (code === Backspace) field.value = Array.from(field.value).slice(0, -1).join(''), edited = true;
            else field.value = (field.value + String.fromCharCode(code)).slice(0, Module.lineLimit), edited = true;
        } else if (waiting.length < KeptKeys) {
            waiting.push(code);
        }
    }

    function typeLine() {
        const line = Module.commandLine();
        const wanted = accepted(field.value).slice(0, Module.lineLimit);
        if (edited && line !== wanted)
            return toGame(wanted.startsWith(line) ? wanted.charCodeAt(line.length) : Backspace);
        edited = false;
        if (line !== wanted && !composing)
            field.value = line;  // a keyboard's key went to the game directly
        if (enter) {
            enter = false;
            toGame(Enter);
        }
    }

    function nextKey() {
        if (Module.waits === 'line')
            typeLine();
        else if (waiting.length)
            toGame(waiting.shift());
    }

    // A new wait: a command line starts empty, and what was typed before it is not part of it.
    // The field takes no more than the line does, so a long paste is cut at once. The first
    // wait is the game leaving its title: only from then on does the live region speak, so
    // that the title's words, there for the reader's cursor, are not read at load, however
    // late the browser shows the page to the screen reader.
    function onWait() {
        if (story.getAttribute('aria-live') !== 'polite')
            story.setAttribute('aria-live', 'polite');
        field.maxLength = Module.lineLimit;
        field.value = '';
        waiting.length = 0;
        edited = enter = false;
    }

    // What the text field receives. At a command line its text is the line; elsewhere each
    // character is a key, and the field is emptied once no composition holds it.
    field.addEventListener('beforeinput', (event) => {
        if (event.inputType === 'insertLineBreak' || event.inputType === 'insertParagraph') {
            event.preventDefault();
            press(Enter);
        }
    });
    field.addEventListener('input', () => {
        if (Module.waits === 'line') {
            edited = true;
        } else if (!composing) {
            for (const c of accepted(field.value)) press(c.charCodeAt(0));
            field.value = '';
        }
    });
    field.addEventListener('compositionstart', () => { composing = true; });
    field.addEventListener('compositionend', () => {
        composing = false;
        field.dispatchEvent(new Event('input'));
    });

    // Every key from a keyboard passes here first; those for the page's link and button are
    // left alone. Tab is the page's too: it moves the focus on, past the browser's SDL, which
    // would swallow it, while the game plays on. An input method's keys (keyCode 229, key
    // "Unidentified") carry no character of their own, their text comes through the field;
    // shortcuts (Ctrl, Cmd) type nothing; and while the page's own keys are on their way, a
    // key joins them behind, so that the game gets them all in order, each once.
    function filter(event) {
        if (!event.isTrusted || ended.hidden === false || !game.contains(event.target))
            return;
        if (event.key === 'Tab')
            return event.stopImmediatePropagation();
        const shortcut = (event.ctrlKey && !event.altKey) || event.metaKey;
        if (event.keyCode === 229 || event.key === 'Unidentified' || event.isComposing ||
            (shortcut && event.type !== 'keyup')) {
            event.stopImmediatePropagation();
        } else if (event.type === 'keydown' && event.key !== 'Escape' && busy()) {
            event.preventDefault();
            event.stopImmediatePropagation();
            const code = codeOf(event);
            if (code) press(code);
        }
    }

    // Keys pressed before the game listens (it starts listening just before its first frame)
    // are kept and handed to it then, so the first key counts. They type nothing in the field.
    const early = [];
    function keepEarly(event) {
        if (Module.frames)
            return;
        early.push([event.type, event.key, event.keyCode, event.charCode]);
        if (event.type === 'keypress')
            event.preventDefault();
    }
    for (const type of ['keydown', 'keypress', 'keyup']) {
        window.addEventListener(type, filter, true);
        game.addEventListener(type, keepEarly);
    }

    // Focus stays on the field: a press anywhere but the button or a link gives it back, the
    // game's picture included (so this goes before the browser's SDL is kept from it below).
    window.addEventListener('mousedown', (event) => {
        if (!event.target.closest('button, a')) {
            event.preventDefault();
            (ended.hidden ? field : again).focus({preventScroll: true});
        }
    }, true);

    // A tap or click on the game brings the field (and a device's keyboard) up, and is the
    // key the game awaits: Enter on the title and an ending's picture, space under a page.
    // At a command line it only brings the keyboard.
    view.addEventListener('click', () => {
        if (!ended.hidden)
            return again.focus();
        field.focus({preventScroll: true});
        const code = {enter: Enter, space: Space}[Module.waits];
        if (code && !busy())
            press(code);
    });

    function firstFrame() {
        performance.mark('sombrial-first-frame');
        for (const type of ['keydown', 'keypress', 'keyup'])
            game.removeEventListener(type, keepEarly);
        setTimeout(() => {
            for (const [type, key, keyCode, charCode] of early.splice(0))
                dispatch(type, key, keyCode, charCode);
        }, 0);
        // The offline copy, once the game is up so that it never slows the first visit. It
        // needs a served page and a browser with service workers; without them the game plays
        // online as ever.
        if ('serviceWorker' in navigator && location.protocol.startsWith('http'))
            navigator.serviceWorker.register('worker.js').catch(() => {});
    }

    // The game has exited (an ending's Enter, or Escape): the page says so and offers another
    // game. Keys now go to the page, no longer to the game's SDL, which would swallow them.
    function finish() {
        for (const type of ['keydown', 'keypress', 'keyup'])
            window.addEventListener(type, (event) => event.stopImmediatePropagation(), true);
        ended.hidden = false;
        if (Module.endedWords)  // known from the game's first frame on
            say(Module.endedWords);
        again.focus();
        fit();
    }

    window.Module = {
        canvas: canvas,
        keyboardListeningElement: game,
        frames: 0,
        waits: 'enter',  // the title
        say: say,
        onWait: onWait,
        onFrame: (frames, drawn) => {
            if (drawn) show();
            if (frames === 1) firstFrame();
            nextKey();
        },
        onExit: finish,
        print: (text) => console.log(text),
        printErr: (text) => console.warn(text),  // the browser's SDL warns here; nothing fatal
    };

    again.addEventListener('click', () => location.reload());
    // A new size of the game's, or a zoom that changes the pixels under it.
    new ResizeObserver(fit).observe(view);
    window.addEventListener('resize', fit);
    if (window.visualViewport)
        window.visualViewport.addEventListener('resize', fit);
    fit();
    // Focused once the page is read: a screen reader that has not yet seen the page take the
    // focus often leaves a field focused earlier unannounced. A page the browser kept comes
    // back with the game where it was, and the keys go to it again.
    document.addEventListener('DOMContentLoaded', () => field.focus());
    window.addEventListener('pageshow', (event) => event.persisted && (ended.hidden ? field : again).focus());
})();
