/* Embedded assets: each image file is linked in whole, with a label and a 32-bit length. */

#ifdef __ELF__
#define ASSET_SECTION(name) .section .rodata.name, "a"
#define ASSET_TYPE(symbol) .type symbol, @object
#define ASSET_SIZE(symbol, length) .size symbol, length
#else
/* PE (Windows) knows no symbol types or sizes; .rdata$name sorts into read-only .rdata. */
#define ASSET_SECTION(name) .section .rdata$name, "dr"
#define ASSET_TYPE(symbol)
#define ASSET_SIZE(symbol, length)
#endif

#define ASSET(name, file)              \
    ASSET_SECTION(name);               \
    .global name;                      \
    ASSET_TYPE(name);                  \
    .balign 16;                        \
name:                                  \
    .incbin file;                      \
name##_end:                            \
    ASSET_SIZE(name, name##_end - name); \
    .global name##Size;                \
    ASSET_TYPE(name##Size);            \
    .balign 4;                         \
name##Size:                            \
    .long name##_end - name;           \
    ASSET_SIZE(name##Size, 4)

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

#ifdef __ELF__
/* The program needs no executable stack. */
.section .note.GNU-stack, "", @progbits
#endif
