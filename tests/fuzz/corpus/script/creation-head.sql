-- Creates the Hourvane database on SQL Server. The program replaces the name Hourvane3SQL
-- by the name given in the logon dialog and runs the batches one by one.
CREATE DATABASE [Hourvane3SQL]
GO
USE [Hourvane3SQL]
GO
CREATE TABLE [tblPersons] (
  [intPersonID] [int] IDENTITY (1, 1) NOT NULL CONSTRAINT [PK_tblPersons] PRIMARY KEY,
  [strPersonName] [nvarchar] (255) NULL
)
GO
CREATE TABLE [tblMeta1] (
  [intMeta1ID] [int] IDENTITY (1, 1) NOT NULL CONSTRAINT [PK_tblMeta1] PRIMARY KEY,
  [strName] [nvarchar] (255) NULL,
  [strCategory] [nvarchar] (255) NULL,
  [strSuperCategory] [nvarchar] (255) NULL,
  [curRate] [money] NULL
)
GO
CREATE TABLE [tblMeta2] (
  [intMeta2ID] [int] IDENTITY (1, 1) NOT NULL CONSTRAINT [PK_tblMeta2] PRIMARY KEY,
  [strName] [nvarchar] (255) NULL,
  [strCategory] [nvarchar] (255) NULL,
  [strSuperCategory] [nvarchar] (255) NULL,
  [curRate] [money] NULL
)
GO
CREATE TABLE [tblMeta3] (
  [intMeta3ID] [int] IDENTITY (1, 1) NOT NULL CONSTRAINT [PK_tblMeta3] PRIMARY KEY,
  [strName] [nvarchar] (255) NULL,
  [strCategory] [nvarchar] (255) NULL,
  [strSuperCategory] [nvarchar] (255) NULL,
  [curRate] [money] NULL
)
GO
CREATE TABLE [tblReports] (
  [intReportID] [int] IDENTITY (1, 1) NOT NULL CONSTRAINT [PK_tblReports] PRIMARY KEY,
  [numHours] [real] NULL,
  [strSubject] [nvarchar] (255) NULL,
  [strMonthName] [nvarchar] (255) NULL,
