// The byte-wise archive: every byte arrives in order across its buffer's refills, and the end
// of the file or a refused write is reported rather than passed over.
#include "Archive.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

QByteArray Pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

TEST(Archive, LoadReturnsEveryByteAcrossRefillsThenFailsAtTheEnd)
{
    for (int size : {0, 1, 65535, 65536, 65537, 200001}) {
        SCOPED_TRACE(size);
        QByteArray source = Pattern(size);
        QBuffer file(&source);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        framework::CArchive ar(file, framework::CArchive::load);
        QByteArray read;
        unsigned char b;
        while (ar.ReadByte(b))
            read.append(static_cast<char>(b));
        EXPECT_EQ(read, source);
        EXPECT_TRUE(ar.Failed());
        EXPECT_FALSE(ar.ReadByte(b));
    }
}

TEST(Archive, StoreWritesEverythingWhenFlushedOrDestroyed)
{
    const QByteArray source = Pattern(150000);
    QByteArray target;
    {
        QBuffer file(&target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        framework::CArchive ar(file, framework::CArchive::store);
        for (char c : source)
            ar.WriteByte(static_cast<unsigned char>(c));
        EXPECT_FALSE(ar.Failed());
    }
    EXPECT_EQ(target, source);
}

TEST(Archive, RefusedWriteMarksTheStoreFailed)
{
    QByteArray target;
    QBuffer file(&target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));  // a device that takes no writes
    framework::CArchive ar(file, framework::CArchive::store);
    ar.WriteByte('x');
    EXPECT_FALSE(ar.Flush());
    EXPECT_TRUE(ar.Failed());
}

}  // namespace
