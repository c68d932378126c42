/* Embedded assets: each image file is linked in whole, with a label and a 32-bit length. */

#define ASSET(name, file)              \
    .section .rodata.name, "a";        \
    .global name;                      \
    .type name, @object;               \
    .balign 16;                        \
name:                                  \
    .incbin file;                      \
name##_end:                            \
    .size name, name##_end - name;     \
    .global name##Size;                \
    .type name##Size, @object;         \
    .balign 4;                         \
name##Size:                            \
    .long name##_end - name;           \
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

/* The program needs no executable stack. */
.section .note.GNU-stack, "", @progbits
