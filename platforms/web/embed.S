/* Embedded assets for WebAssembly: each image file linked in whole, with a label and a
 * 32-bit length, as assets/embed.S does for ELF (wasm sections take no ELF flags or types). */

#define ASSET(name, file)                  \
    .section .rodata.name, "", @;          \
    .globl name;                           \
    .p2align 4;                            \
name:                                      \
    .incbin file;                          \
.L##name##_end:                            \
    .size name, .L##name##_end - name;     \
    .section .rodata.name##Size, "", @;    \
    .globl name##Size;                     \
    .p2align 2;                            \
name##Size:                                \
    .int32 .L##name##_end - name;          \
    .size name##Size, 4

ASSET(TitlePicture, "title.bmp")
ASSET(LaboratoryPicture, "laboratory.bmp")
ASSET(LaboratoryDogPicture, "laboratory-dog.bmp")
ASSET(CorridorPicture, "corridor.bmp")
ASSET(ExitDoorPicture, "exit-door.bmp")
ASSET(RestRoomPicture, "rest-room.bmp")
ASSET(ChapterEndPicture, "chapter-end.bmp")
ASSET(GameOverPicture, "game-over.bmp")
ASSET(FontSheet, "font.tga")
ASSET(IconImage, "icon.bmp")
